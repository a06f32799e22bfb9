#include <gtest/gtest.h>
#include <sys/types.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest/QTest>
#include <csignal>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FormOnScreen.h"
#include "XvfbDisplay.h"
#include "support/PseudoTerminal.h"

namespace dimrix::testing {
namespace {

constexpr int kDeadlineMilliseconds = 30000;
constexpr int kUsageError = 2;
constexpr int kNoDisplay = 1;

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
    QProcessEnvironment environment = display.Environment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(DIMRIX_PROGRAM, {});
    ASSERT_TRUE(program.waitForStarted(kDeadlineMilliseconds));

    const std::optional<XvfbDisplay::Window> window = display.AwaitWindow("Dimrix");
    ASSERT_TRUE(window) << "no Dimrix window appeared";
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

// Read before the window system is touched: answered with no display at all.
struct CommandLineCase {
    const char* name;
    QStringList arguments;
    int status;
    const char* out;  // how standard output starts
    const char* err;  // how standard error starts
};

TEST(ProgramUnderXvfbTest, AnswersItsCommandLineWithoutADisplay) {
    const CommandLineCase cases[] = {
        {"help", {"--help"}, 0, "Usage: " DIMRIX_PROGRAM " [options]\n", ""},
        {"version", {"--version"}, 0, "dimrix " DIMRIX_VERSION "\n", ""},
        {"unknown option",
         {"--bogus"},
         kUsageError,
         "",
         "dimrix: Unknown option 'bogus'.\n\nUsage: "},
        {"missing device",
         {"--com1"},
         kUsageError,
         "",
         "dimrix: Missing value after '--com1'.\n\nUsage: "},
        // One line instead of an abort in Qt's platform plugin. Both ports given, so that
        // a program that got past the check would not probe the host's own.
        {"window without a display",
         {"--com1", "/dev/null", "--com2", "/dev/null"},
         kNoDisplay,
         "",
         "dimrix: cannot open a window: no display (DISPLAY is not set)\n"},
    };
    for (const CommandLineCase& c : cases) {
        SCOPED_TRACE(c.name);
        QProcess program;
        program.setProcessEnvironment(XvfbDisplay::WithoutDisplay());
        program.start(DIMRIX_PROGRAM, c.arguments);
        ASSERT_TRUE(program.waitForFinished(kDeadlineMilliseconds));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), c.status);
        const std::string out = program.readAllStandardOutput().toStdString();
        const std::string err = program.readAllStandardError().toStdString();
        EXPECT_TRUE(out.starts_with(c.out)) << out;
        EXPECT_EQ(out.empty(), std::string(c.out).empty()) << out;
        EXPECT_TRUE(err.starts_with(c.err)) << err;
        EXPECT_EQ(err.empty(), std::string(c.err).empty()) << err;
    }
}

// The real program with COM1 given on the command line, on a pseudo-terminal: GO opens
// it, and "All OFF" puts its frame there, byte for byte.
TEST(ProgramUnderXvfbTest, SendsItsFramesToTheDeviceGivenForComOne) {
    PseudoTerminal line;
    // COM2 given too, so that nothing makes the program list the host's own ports.
    PseudoTerminal unused;
    XvfbDisplay display;
    QProcess program;
    program.setProcessEnvironment(display.Environment());
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    // The platform as Qt's own option, which the program must leave to Qt.
    program.start(DIMRIX_PROGRAM,
                  {"-platform", "xcb", "--com1", QString::fromStdString(line.SlavePath()), "--com2",
                   QString::fromStdString(unused.SlavePath())});
    ASSERT_TRUE(program.waitForStarted(kDeadlineMilliseconds));
    const std::optional<XvfbDisplay::Window> window = display.AwaitWindow("Dimrix");
    ASSERT_TRUE(window) << "no Dimrix window appeared";
    EXPECT_TRUE(line.SlaveHungUp()) << "the device was opened before GO";

    display.Click(FormOnScreen::CentreOf(*window, "Command1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return line.SlaveIsOpen(); }, kDeadlineMilliseconds))
        << "GO did not open the device";
    display.Click(FormOnScreen::CentreOf(*window, "Command2"));
    // All OFF with every level already at 0: the preset code and the end of the frame.
    const std::vector<std::uint8_t> allOff{110, 255};
    ASSERT_TRUE(QTest::qWaitFor([&] { return line.Received().size() >= allOff.size(); },
                                kDeadlineMilliseconds))
        << "nothing arrived";
    EXPECT_EQ(line.Received(), allOff);

    display.RequestClose(window->id);
    ASSERT_TRUE(program.waitForFinished(kDeadlineMilliseconds)) << "the program did not end";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

}  // namespace
}  // namespace dimrix::testing
