#include <gtest/gtest.h>
#include <sys/types.h>

#include <QProcess>
#include <QRegularExpression>
#include <QtTest/QTest>
#include <csignal>
#include <optional>

#include "FormOnScreen.h"
#include "MonitorProcess.h"
#include "XvfbDisplay.h"
#include "support/PseudoTerminal.h"

namespace dimrix::testing {
namespace {

constexpr int kDeadlineMilliseconds = 30000;

// The whole system as it is tried with nothing plugged in: the monitor makes a virtual
// line, the panel is pointed at it, and what the operator does in the panel's window is
// what the monitor reads off the line, frame by frame.
TEST(PanelDrivesMonitorTest, TheMonitorPrintsEveryFrameThePanelSendsOnItsVirtualLine) {
    MonitorProcess monitor({"--text", "--virtual"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !monitor.Lines().isEmpty(); }, kDeadlineMilliseconds))
        << "the monitor did not print its device";
    const QString device = monitor.Lines().constFirst();
    ASSERT_TRUE(device.startsWith("/dev/pts/")) << device.toStdString();

    // COM2 given too, so that nothing makes the panel list the host's own ports.
    const PseudoTerminal unused;
    XvfbDisplay display;
    QProcess panel;
    panel.setProcessEnvironment(display.Environment());
    panel.setProcessChannelMode(QProcess::ForwardedChannels);
    panel.start(DIMRIX_PROGRAM,
                {"--com1", device, "--com2", QString::fromStdString(unused.SlavePath())});
    ASSERT_TRUE(panel.waitForStarted(kDeadlineMilliseconds));
    const std::optional<XvfbDisplay::Window> window = display.AwaitWindow("Dimrix");
    ASSERT_TRUE(window) << "no Dimrix window appeared";

    // GO, "ALL 30%", the track above channel 3's thumb (one step up), "All OFF".
    for (const char* control : {"Command1", "Command7", "VScroll1_3", "Command2"}) {
        display.Click(FormOnScreen::CentreOf(*window, control));
    }
    const QStringList expected{
        "preset 113 30",
        "board 128 30 0 0 0 0 0 0 0",
        "board 128 30 30 0 0 0 0 0 0",
        "board 128 30 30 30 0 0 0 0 0",
        "board 128 30 30 30 30 0 0 0 0",
        "board 128 30 30 30 30 30 0 0 0",
        "board 128 30 30 30 30 30 30 0 0",
        "board 128 30 30 30 30 30 30 30 0",
        "board 128 30 30 30 30 30 30 30 30",
        "board 128 30 30 30 31 30 30 30 30",
        "preset 110 0",
        "board 128 0 30 30 31 30 30 30 30",
        "board 128 0 0 30 31 30 30 30 30",
        "board 128 0 0 0 31 30 30 30 30",
        "board 128 0 0 0 0 30 30 30 30",
        "board 128 0 0 0 0 0 30 30 30",
        "board 128 0 0 0 0 0 0 30 30",
        "board 128 0 0 0 0 0 0 0 30",
        "board 128 0 0 0 0 0 0 0 0",
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.Lines().size() > expected.size(); },
                                kDeadlineMilliseconds))
        << monitor.Lines().join('\n').toStdString();

    display.RequestClose(window->id);
    ASSERT_TRUE(panel.waitForFinished(kDeadlineMilliseconds)) << "the panel did not end";
    EXPECT_EQ(panel.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(panel.exitCode(), 0);

    // The line outlives the panel: only a signal ends the monitor.
    ASSERT_EQ(monitor.Process().state(), QProcess::Running);
    ::kill(static_cast<pid_t>(monitor.Process().processId()), SIGINT);
    ASSERT_TRUE(monitor.Finish()) << "the monitor did not end on SIGINT";
    EXPECT_EQ(monitor.Process().exitCode(), 0);
    EXPECT_EQ(monitor.Errors(),
              "dimrix-monitor: 19 frames (17 address, 2 preset, 0 master), 0 malformed, "
              "174 bytes\n");
    QStringList frames = monitor.Lines();
    frames.removeFirst();  // the device
    const QRegularExpression timed(R"(^\d+\.\d{6} (.*)$)");
    QStringList untimed;
    for (const QString& printed : frames) {
        const QRegularExpressionMatch match = timed.match(printed);
        ASSERT_TRUE(match.hasMatch()) << printed.toStdString();
        untimed << match.captured(1);
    }
    EXPECT_EQ(untimed, expected);
}

}  // namespace
}  // namespace dimrix::testing
