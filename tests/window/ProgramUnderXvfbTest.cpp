#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest/QTest>
#include <optional>

#include "XvfbDisplay.h"

namespace dimrix::testing {
namespace {

constexpr int kDeadlineMilliseconds = 30000;

// The real program, as `make run` starts it, on a private X server.
TEST(ProgramUnderXvfbTest, ShowsItsCentredWindowAndExitsCleanlyWhenClosed) {
    XvfbDisplay display;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display.Name());
    environment.insert("QT_QPA_PLATFORM", "xcb");
    // Only read by sanitizer builds: leaks of system libraries are not the program's.
    environment.insert("LSAN_OPTIONS", "suppressions=" DIMRIX_LSAN_SUPPRESSIONS);
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(DIMRIX_PROGRAM, {});
    ASSERT_TRUE(program.waitForStarted(kDeadlineMilliseconds));

    std::optional<XvfbDisplay::Window> window;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            window = display.FindWindow("Dimrix");
            return window && window->viewable;
        },
        kDeadlineMilliseconds))
        << "no Dimrix window appeared";
    EXPECT_EQ(window->geometry.size(), QSize(748, 344));
    const QSize screen = XvfbDisplay::ScreenSize();
    EXPECT_EQ(window->geometry.topLeft(),
              QPoint((screen.width() - 748) / 2, (screen.height() - 344) / 2));

    display.RequestClose(window->id);
    ASSERT_TRUE(program.waitForFinished(kDeadlineMilliseconds)) << "the program did not end";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

}  // namespace
}  // namespace dimrix::testing
