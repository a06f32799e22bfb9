#include <gtest/gtest.h>
#include <sys/types.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest/QTest>
#include <csignal>
#include <optional>

#include "XvfbDisplay.h"

namespace dimrix::testing {
namespace {

constexpr int kDeadlineMilliseconds = 30000;

// How the program is asked to end: its window's close button, or a signal from the
// system (`kill`, a logout, Ctrl+C in its terminal).
struct Ending {
    const char* name;
    int signal;  // 0: the close button
};

// The real program, as `make run` starts it, on a private X server: its window appears
// centred at its size, and it ends with status 0 however it is asked to.
void ShowThenEnd(const Ending& ending) {
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

    if (ending.signal == 0) {
        display.RequestClose(window->id);
    } else {
        ::kill(static_cast<pid_t>(program.processId()), ending.signal);
    }
    ASSERT_TRUE(program.waitForFinished(kDeadlineMilliseconds)) << "the program did not end";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

TEST(ProgramUnderXvfbTest, ShowsItsCentredWindowAndExitsCleanlyWhenClosedOrSignalled) {
    for (const Ending ending : {Ending{"close button", 0}, Ending{"SIGTERM", SIGTERM},
                                Ending{"SIGINT", SIGINT}, Ending{"SIGHUP", SIGHUP}}) {
        SCOPED_TRACE(ending.name);
        ShowThenEnd(ending);
    }
}

}  // namespace
}  // namespace dimrix::testing
