#include <gtest/gtest.h>
#include <sys/types.h>
#include <termios.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QtTest/QTest>
#include <csignal>
#include <cstdint>
#include <vector>

#include "MonitorProcess.h"
#include "support/PseudoTerminal.h"

namespace dimrix::testing {
namespace {

constexpr int kDeadlineMilliseconds = 30000;

// The monitor has the slave open at the boards' settings (19200 8N1, raw, no flow
// control), so what the master writes now is read as the boards read it.
bool OpenedAtBoardSettings(const PseudoTerminal& line) {
    if (!line.SlaveIsOpen()) {
        return false;
    }
    const termios settings = line.SlaveAttributes();
    return ::cfgetispeed(&settings) == B19200 && (settings.c_cflag & CSIZE) == CS8 &&
           (settings.c_cflag & (PARENB | CSTOPB | CRTSCTS)) == 0 &&
           (settings.c_lflag & (ECHO | ICANON)) == 0 && (settings.c_iflag & (IXON | IXOFF)) == 0;
}

TEST(MonitorOnPtyTest, PrintsOneLinePerFrameWritesNothingBackAndSumsUpOnSigint) {
    PseudoTerminal line;
    MonitorProcess monitor({"--text", QString::fromStdString(line.SlavePath())});
    ASSERT_TRUE(QTest::qWaitFor([&] { return OpenedAtBoardSettings(line); }, kDeadlineMilliseconds))
        << "the monitor did not open the line at 19200 8N1";

    // The second write ends a frame the first began.
    const std::vector<std::uint8_t> first{130, 0, 10, 20, 30, 40, 50, 60, 70, 255, 109, 100};
    const std::vector<std::uint8_t> second{255, 113, 255, 131, 1, 2, 128, 200, 255};
    ASSERT_EQ(line.WriteToMaster(first), first.size());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return monitor.Lines().size() == 1; }, kDeadlineMilliseconds));
    ASSERT_EQ(line.WriteToMaster(second), second.size());
    const QStringList expected{
        "board 130 0 10 20 30 40 50 60 70", "master 100",         "preset 113 30",
        "malformed 131 1 2 torn",           "malformed 128 torn", "malformed 200 unused-value",
        "malformed 255 stray-end",
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.Lines().size() >= expected.size(); },
                                kDeadlineMilliseconds))
        << monitor.Lines().join('\n').toStdString();
    const QRegularExpression timed(R"(^(\d+\.\d{6}) (.*)$)");
    QStringList untimed;
    for (const QString& printed : monitor.Lines()) {
        const QRegularExpressionMatch match = timed.match(printed);
        ASSERT_TRUE(match.hasMatch()) << printed.toStdString();
        untimed << match.captured(2);
    }
    EXPECT_EQ(untimed, expected);

    ::kill(static_cast<pid_t>(monitor.Process().processId()), SIGINT);
    ASSERT_TRUE(monitor.Finish());
    EXPECT_EQ(monitor.Process().exitCode(), 0);
    EXPECT_EQ(monitor.Errors(),
              "dimrix-monitor: 3 frames (1 address, 1 preset, 1 master), 4 malformed, 21 bytes\n");
    EXPECT_TRUE(line.Received().empty()) << "the monitor wrote to the line";
}

TEST(MonitorOnPtyTest, EndsWithStatusOneWhenTheDeviceGoesAway) {
    PseudoTerminal line;
    MonitorProcess monitor({"--text", QString::fromStdString(line.SlavePath())});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return OpenedAtBoardSettings(line); }, kDeadlineMilliseconds));
    line.CloseMaster();
    ASSERT_TRUE(monitor.Finish()) << "the monitor went on without its device";
    EXPECT_EQ(monitor.Process().exitCode(), 1);
    EXPECT_TRUE(monitor.Errors().contains(QString::fromStdString(line.SlavePath()) +
                                          ": line lost: the device hung up"))
        << monitor.Errors().toStdString();
}

struct RefusedStart {
    const char* name;
    QStringList arguments;
    int status;
    // Part of what standard error says.
    QString says;
};

TEST(MonitorOnPtyTest, RefusesBadInputWithTheReasonAndStatus) {
    QTemporaryFile plainFile;
    ASSERT_TRUE(plainFile.open());
    const RefusedStart cases[] = {
        {"unknown option", {"--speed", "9600"}, 2, "Unknown option 'speed'"},
        {"no device", {"--text"}, 2, "Usage: dimrix-monitor"},
        {"device and --virtual", {"--virtual", "/dev/null"}, 2, "--virtual takes no DEVICE"},
        {"missing device",
         {"--text", "/dev/dimrix-no-such-device"},
         1,
         "/dev/dimrix-no-such-device: No such file or directory"},
        {"not a serial port",
         {"--text", plainFile.fileName()},
         1,
         plainFile.fileName() + ": Inappropriate ioctl for device (not a serial port)"},
        // One line instead of an abort in Qt's platform plugin.
        {"window without a display",
         {plainFile.fileName()},
         1,
         "dimrix-monitor: cannot open a window: no display (DISPLAY is not set); use --text to "
         "print frames instead\n"},
    };
    for (const RefusedStart& c : cases) {
        SCOPED_TRACE(c.name);
        MonitorProcess monitor(c.arguments);
        ASSERT_TRUE(monitor.Finish());
        EXPECT_EQ(monitor.Process().exitCode(), c.status);
        EXPECT_TRUE(monitor.Errors().contains(c.says)) << monitor.Errors().toStdString();
        EXPECT_TRUE(monitor.Lines().isEmpty());
    }
    MonitorProcess help({"--help"});
    ASSERT_TRUE(help.Finish());
    EXPECT_EQ(help.Process().exitCode(), 0);
    EXPECT_TRUE(help.Lines().value(0).startsWith("Usage: dimrix-monitor")) << "without a display";
}

}  // namespace
}  // namespace dimrix::testing
