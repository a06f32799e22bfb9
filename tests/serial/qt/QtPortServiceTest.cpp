#include "serial/qt/QtPortService.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "protocol/LineDecoder.h"
#include "serial/LinkError.h"
#include "serial/qt/DeviceOpenLog.h"
#include "serial/qt/EventLoop.h"
#include "serial/qt/QtSerialDevice.h"
#include "support/PseudoTerminal.h"

namespace dimrix::serial {
namespace {

using testing::DeviceOpenLog;
using testing::EventLoop;
using testing::PseudoTerminal;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kByteValues = 256;

// Rising then falling through every octet, so a translated, dropped or swapped value
// (CR, LF, XON, XOFF, 255) shows at a known place.
Bytes EveryByteValueTwice() {
    Bytes bytes;
    for (std::size_t value = 0; value < kByteValues; ++value) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    for (std::size_t value = kByteValues; value-- > 0;) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

// Beyond what the kernel's pseudo-terminal buffer takes (about 12 KiB here), in a
// pattern whose period (251) is prime to every buffer size, so a lost or repeated
// chunk cannot line up with the data around it. It holds no terminator, so no frame in
// it can make another one pointless. Sent at kFastLine, it takes about 1.4 s.
constexpr std::size_t kLargeBacklog = 32 * 1024;
constexpr LineSettings kFastLine{230400, 'N', 8, 1};
// Most of what a pseudo-terminal takes before it refuses more (about 20 KB here).
constexpr std::size_t kFullPseudoTerminal = 16 * 1024;
constexpr std::size_t kPatternPeriod = 251;

Bytes LargeBacklog() {
    Bytes bytes(kLargeBacklog);
    for (std::size_t index = 0; index < bytes.size(); ++index) {
        bytes[index] = static_cast<std::uint8_t>(index % kPatternPeriod);
    }
    return bytes;
}

// QSerialPort's name for the lock file of a device under /dev: "pts/3" becomes "LCK..pts_3".
std::string LockFileName(const std::string& device) {
    std::string name = device.substr(std::strlen("/dev/"));
    std::ranges::replace(name, '/', '_');
    return "LCK.." + name;
}

class QtPortServiceTest : public ::testing::Test {
protected:
    void SetUp() override { EventLoop::Ensure(); }

    static void Connect(QtPortService& port, std::int16_t portNumber,
                        const LineSettings& settings = kBoardLineSettings) {
        port.SetPortNumber(portNumber);
        port.SetSettings(settings);
        port.Open();
    }

    static void WriteAll(QtPortService& port, const Bytes& bytes) {
        for (const std::uint8_t value : bytes) {
            port.Write(value);
        }
    }

    static ErrorNumber WriteFailure(QtPortService& port) {
        try {
            port.Write(0);
        } catch (const LinkError& error) {
            return error.Number();
        }
        return 0;
    }
};

struct SettingsCase {
    LineSettings settings;
    speed_t speed;
    tcflag_t visibleCflags;
};

// The kernel's pseudo-terminal forces CS8 and clears PARENB whatever is asked, so only
// speed, stop bits and the parity flavour (odd, mark/space) can be read back here.
constexpr tcflag_t kVisibleOnPty = CSTOPB | PARODD | CMSPAR;

TEST_F(QtPortServiceTest, LineSettingsReachTheDevice) {
    const SettingsCase cases[] = {
        {{19200, 'N', 8, 1}, B19200, 0},
        {{9600, 'E', 7, 2}, B9600, CSTOPB},
        {{4800, 'O', 6, 1}, B4800, PARODD},
        {{2400, 'M', 5, 1}, B2400, PARODD | CMSPAR},
        {{1200, 'S', 8, 2}, B1200, CMSPAR | CSTOPB},
    };
    for (const SettingsCase& c : cases) {
        SCOPED_TRACE(c.settings.Text());
        PseudoTerminal pty(PseudoTerminal::Slave::Kept);
        QtPortService port(PortPaths{pty.SlavePath(), pty.SlavePath()});
        Connect(port, 1, c.settings);
        const termios attributes = pty.SlaveAttributes();
        EXPECT_EQ(cfgetospeed(&attributes), c.speed);
        EXPECT_EQ(cfgetispeed(&attributes), c.speed);
        EXPECT_EQ(attributes.c_cflag & kVisibleOnPty, c.visibleCflags);
        EXPECT_EQ(attributes.c_cflag & CRTSCTS, 0U);
        port.Close();
    }
}

TEST_F(QtPortServiceTest, SettingsQtCannotTakeAreRejectedBeforeAnyOpen) {
    const LineSettings rejected[] = {
        {19200, 'X', 8, 1}, {19200, 'N', 9, 1}, {19200, 'N', 4, 1},
        {0, 'N', 8, 1},     {19200, 'N', 8, 0}, {19200, 'N', 8, 3},
    };
    for (const LineSettings& settings : rejected) {
        QtPortService port(PortPaths{"/dev/null", "/dev/null"});
        try {
            port.SetSettings(settings);
            ADD_FAILURE() << settings.Text() << " was accepted";
        } catch (const LinkError& error) {
            EXPECT_EQ(error.Number(), 8015) << settings.Text();
        }
    }
}

TEST_F(QtPortServiceTest, EveryByteValueArrivesUnchangedAndInOrder) {
    PseudoTerminal pty;
    QtPortService port(PortPaths{pty.SlavePath(), pty.SlavePath()});
    Connect(port, 1);
    const Bytes sent = EveryByteValueTwice();
    WriteAll(port, sent);
    EXPECT_EQ(EventLoop::Receive(pty, sent.size()), sent);
}

TEST_F(QtPortServiceTest, BacklogBeyondTheKernelBufferArrivesComplete) {
    PseudoTerminal pty;
    QtPortService port(PortPaths{pty.SlavePath(), pty.SlavePath()});
    Connect(port, 1, kFastLine);
    // Queued with nobody reading: Write must not wait for the line, or this would hang.
    const Bytes sent = LargeBacklog();
    WriteAll(port, sent);
    const Bytes received = EventLoop::Receive(pty, sent.size());
    ASSERT_EQ(received.size(), sent.size());
    const auto [wrong, _] = std::ranges::mismatch(received, sent);
    EXPECT_EQ(wrong, received.end())
        << "the stream differs from byte " << (wrong - received.begin());
}

TEST_F(QtPortServiceTest, CloseLetsQueuedBytesOutThenReleasesTheDevice) {
    PseudoTerminal pty;
    QtPortService port(PortPaths{pty.SlavePath(), pty.SlavePath()});
    Connect(port, 1);
    const Bytes sent = EveryByteValueTwice();
    WriteAll(port, sent);
    port.Close();  // no event-loop pass in between: nothing has left yet

    // Closing returns to the event loop at once; the 512 bytes take about 270 ms of line.
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(pty.SlaveHungUp()) << "the close waited for the line";
    EXPECT_EQ(EventLoop::Receive(pty, sent.size()), sent);
    ASSERT_TRUE(EventLoop::SpinUntil([&] { return pty.SlaveHungUp(); }));
    EXPECT_EQ(pty.SlaveDescriptorsHeld(), 0);
    // The lock is gone too: another port service may take the device.
    QtPortService next(PortPaths{pty.SlavePath(), pty.SlavePath()});
    EXPECT_NO_THROW(Connect(next, 1));
}

TEST_F(QtPortServiceTest, ReopenedWhileClosingTheDeviceClosesAndOpensOnceTheQueueHasLeft) {
    PseudoTerminal pty;
    QtPortService port(PortPaths{pty.SlavePath(), pty.SlavePath()});
    Connect(port, 1);
    DeviceOpenLog log({pty.SlavePath()});
    const Bytes before = EveryByteValueTwice();
    WriteAll(port, before);
    port.Close();
    Connect(port, 1);  // GO while a fade's frames still leave
    const Bytes after{110, 255};
    WriteAll(port, after);
    EXPECT_TRUE(log.Events().empty()) << "the device was closed under its queue";

    Bytes sent = before;
    sent.insert(sent.end(), after.begin(), after.end());
    EXPECT_EQ(EventLoop::Receive(pty, sent.size()), sent);
    EXPECT_EQ(log.Events(),
              (std::vector<std::string>{"close " + pty.SlavePath(), "open " + pty.SlavePath()}));
    EXPECT_TRUE(port.IsOpen());
}

struct LostListener : DeviceListener {
    void OnDeviceLost(const LinkError& fault) override { numbers.push_back(fault.Number()); }
    std::vector<ErrorNumber> numbers;
};

TEST_F(QtPortServiceTest, DeviceGoneWhileIdleIsToldToItsOwnerWithoutAWrite) {
    PseudoTerminal pty;
    LostListener owner;
    QtSerialDevice device(&owner);
    device.Open(pty.SlavePath(), kBoardLineSettings);
    pty.CloseMaster();

    ASSERT_TRUE(EventLoop::SpinUntil([&] { return !owner.numbers.empty(); }));
    EXPECT_EQ(owner.numbers, std::vector<ErrorNumber>{8022});
    EXPECT_EQ(pty.SlaveDescriptorsHeld(), 0) << "the dead descriptor was kept";
    EXPECT_TRUE(device.IsOpen()) << "the next send must still report the fault";
    EXPECT_THROW(device.Write(0), LinkError);
}

TEST_F(QtPortServiceTest, WriteOnAClosedPortFailsWithPortNotOpen) {
    PseudoTerminal pty;
    QtPortService port(PortPaths{pty.SlavePath(), pty.SlavePath()});
    EXPECT_EQ(WriteFailure(port), 8018);
    Connect(port, 1);
    port.Close();
    EXPECT_EQ(WriteFailure(port), 8018);
}

TEST_F(QtPortServiceTest, OpeningAnOpenPortIsAProgrammingError) {
    PseudoTerminal pty;
    QtPortService port(PortPaths{pty.SlavePath(), pty.SlavePath()});
    Connect(port, 1);
    EXPECT_THROW(port.Open(), std::logic_error);
    EXPECT_EQ(pty.SlaveDescriptorsHeld(), 1);
}

TEST_F(QtPortServiceTest, HungUpDeviceFailsTheVeryNextWrite) {
    PseudoTerminal pty;
    QtPortService port(PortPaths{pty.SlavePath(), pty.SlavePath()});
    Connect(port, 1);
    pty.CloseMaster();
    // No event-loop pass: the port has had no chance to hear of it from Qt.
    EXPECT_EQ(WriteFailure(port), 8022);
    EXPECT_TRUE(port.IsOpen()) << "a failed port must still reach Write, not pass for closed";
    EXPECT_EQ(WriteFailure(port), 8022);
}

TEST_F(QtPortServiceTest, DeviceLostMidBacklogFailsTheNextWriteThenReconnectWorks) {
    PseudoTerminal first;
    PseudoTerminal second;
    QtPortService port(PortPaths{first.SlavePath(), second.SlavePath()});
    Connect(port, 1, kFastLine);
    WriteAll(port, LargeBacklog());
    const Bytes partial = EventLoop::Receive(first, kLargeBacklog / 4);
    ASSERT_GE(partial.size(), kLargeBacklog / 4);
    first.CloseMaster();

    // The queue's next hand-over finds the device gone; the port lets go of the dead
    // descriptor from the event loop, and drops what was still queued.
    ASSERT_TRUE(EventLoop::SpinUntil([&] { return first.SlaveDescriptorsHeld() == 0; }));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(WriteFailure(port), 8022);
    EXPECT_EQ(WriteFailure(port), 8022) << "the fault stays until the port is connected again";

    port.Close();
    EXPECT_FALSE(port.IsOpen());
    Connect(port, 2);
    const Bytes sent = EveryByteValueTwice();
    WriteAll(port, sent);
    EXPECT_EQ(EventLoop::Receive(second, sent.size()), sent);
}

TEST_F(QtPortServiceTest, ReaderThatStallsPastAFullDriverCostsNoFrameAndNoFault) {
    PseudoTerminal pty;
    QtPortService port(PortPaths{pty.SlavePath(), pty.SlavePath()});
    Connect(port, 1, kFastLine);
    // Fades follow one another on three boards while nobody reads: the wire clock keeps
    // handing bytes over until the pseudo-terminal refuses them.
    Bytes sent;
    std::uint8_t level = 0;
    const auto fadeStep = [&] {
        for (const std::uint8_t board : {128, 140, 158}) {
            const Bytes frame{board, level, level, level, level, level, level, level, level, 255};
            WriteAll(port, frame);
            sent.insert(sent.end(), frame.begin(), frame.end());
        }
        level = static_cast<std::uint8_t>((level + 1) % 101);
    };
    // About 13 KB/s get handed over (a frame's worth per millisecond timer): under two
    // seconds fill the pseudo-terminal's 20 KB, and every hand-over after that meets a
    // full driver. Five seconds leave room for a loaded machine that runs the timer late.
    EventLoop::SpinUntil(
        [&] {
            fadeStep();
            return false;
        },
        std::chrono::seconds(5));
    Bytes received;
    pty.ReadInto(received);
    ASSERT_GT(received.size(), kFullPseudoTerminal) << "the stall never filled the driver";
    EXPECT_TRUE(port.IsOpen());
    const Bytes last{130, 1, 2, 3, 4, 5, 6, 7, 8, 255};
    EXPECT_NO_THROW(WriteAll(port, last));
    sent.insert(sent.end(), last.begin(), last.end());

    const Bytes rest = EventLoop::ReceiveThrough(pty, last);
    received.insert(received.end(), rest.begin(), rest.end());
    protocol::LineDecoder everything;
    everything.Feed(sent);
    protocol::LineDecoder boards;
    boards.Feed(received);
    EXPECT_EQ(boards.Malformed(), 0U) << "a frame was torn";
    EXPECT_EQ(boards.State(), everything.State());
}

struct OpenFailureCase {
    const char* name;
    ErrorNumber number;
    std::string detailEnd;
};

TEST_F(QtPortServiceTest, FailedOpensNameTheDeviceAndTheReasonAndStayClosed) {
    PseudoTerminal held;
    QtPortService holder(PortPaths{held.SlavePath(), held.SlavePath()});
    Connect(holder, 1);
    // Named per process: the port takes a lock file named after the device even when
    // the device is missing, and test runs may overlap.
    const std::string missing = "/dev/dimrix-no-such-port-" + std::to_string(::getpid());
    const std::vector<std::pair<std::string, OpenFailureCase>> cases = {
        {missing, {"missing", 8002, missing + ": No such file or directory"}},
        {held.SlavePath(),
         {"busy", 8005,
          "/" + LockFileName(held.SlavePath()) + " names process " + std::to_string(::getpid()) +
              ")"}},
        {"/dev/null", {"not a serial port", 8015, "/dev/null: Inappropriate ioctl for device"}},
    };
    for (const auto& [device, c] : cases) {
        SCOPED_TRACE(c.name);
        QtPortService port(PortPaths{device, device});
        try {
            Connect(port, 1);
            ADD_FAILURE() << "opened";
        } catch (const LinkError& error) {
            EXPECT_EQ(error.Number(), c.number);
            const std::string detail = error.what();
            EXPECT_TRUE(detail.starts_with(device)) << detail;
            EXPECT_TRUE(detail.ends_with(c.detailEnd)) << detail;
        }
        EXPECT_FALSE(port.IsOpen());
    }
    EXPECT_EQ(held.SlaveDescriptorsHeld(), 1) << "the busy device was opened a second time";
}

// Every directory QSerialPort may keep its lock files in.
const char* const kLockDirectories[] = {
    "/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
    "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock",
};

// In a child process with a mount namespace of its own, so that nothing outside it sees
// the change: every lock directory is made read-only, then `device` is opened. Returns
// what the open raised as "<number> <detail>", "opened", or "skip: <why>" where the
// system does not let this process make a mount namespace.
std::string OpenWithReadOnlyLockDirectories(const std::string& device) {
    int channel[2] = {-1, -1};
    if (::pipe(channel) != 0) {
        return std::string("skip: pipe: ") + std::strerror(errno);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string outcome;
        auto setUp = [&]() -> bool {
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                outcome = std::string("skip: no mount namespace: ") + std::strerror(errno);
                return false;
            }
            for (const char* directory : kLockDirectories) {
                if (!std::filesystem::is_directory(directory)) {
                    continue;
                }
                if (::mount(directory, directory, nullptr, MS_BIND, nullptr) != 0 ||
                    ::mount(nullptr, directory, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY,
                            nullptr) != 0) {
                    outcome =
                        std::string("skip: read-only ") + directory + ": " + std::strerror(errno);
                    return false;
                }
            }
            return true;
        };
        if (setUp()) {
            QtPortService port(PortPaths{device, device});
            try {
                port.SetSettings(kBoardLineSettings);
                port.Open();
                outcome = "opened";
            } catch (const LinkError& error) {
                outcome = std::to_string(error.Number()) + " " + error.what();
            }
        }
        const auto written = ::write(channel[1], outcome.data(), outcome.size());
        ::_exit(written == static_cast<ssize_t>(outcome.size()) ? 0 : 1);
    }
    ::close(channel[1]);
    std::string outcome;
    char buffer[256];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        outcome.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return outcome;
}

TEST_F(QtPortServiceTest, NoWritableLockDirectoryIsAnOpenFailureNotABusyPort) {
    PseudoTerminal line;
    const std::string outcome = OpenWithReadOnlyLockDirectories(line.SlavePath());
    if (outcome.starts_with("skip:")) {
        GTEST_SKIP() << outcome;
    }
    const std::string expectedStart = "8012 " + line.SlavePath() + ": cannot create lock file " +
                                      LockFileName(line.SlavePath()) +
                                      ", no writable lock directory (";
    EXPECT_TRUE(outcome.starts_with(expectedStart)) << outcome;
    EXPECT_NE(outcome.find("/run/lock: Read-only file system"), std::string::npos) << outcome;
    EXPECT_NE(outcome.find("/tmp: Read-only file system"), std::string::npos) << outcome;
    EXPECT_TRUE(line.SlaveHungUp()) << "the device was opened";
}

TEST_F(QtPortServiceTest, GivenPathsDescribeThemselves) {
    const QtPortService port(PortPaths{"/dev/pts/71", "/dev/pts/72"});
    EXPECT_EQ(port.PortDescription(1), "/dev/pts/71 \u2014 given on the command line");
    EXPECT_EQ(port.PortDescription(2), "/dev/pts/72 \u2014 given on the command line");
}

}  // namespace
}  // namespace dimrix::serial
