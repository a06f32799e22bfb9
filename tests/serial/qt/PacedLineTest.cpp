#include "serial/qt/PacedLine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "serial/TransmitQueue.h"
#include "serial/qt/DeviceOpenLog.h"
#include "serial/qt/DeviceReopener.h"
#include "serial/qt/EventLoop.h"
#include "support/PseudoTerminal.h"

// The paced line on real pseudo-terminals, fed by the panel's transmit queue: what the
// panel's port tests do not reach (a drain that cannot move, a close while an open waits
// for the drain, the reopen a bridge or monitor asks for).
namespace dimrix::serial {
namespace {

using testing::DeviceOpenLog;
using testing::EventLoop;
using testing::PseudoTerminal;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr LineSettings kFastLine{230400, 'N', 8, 1};

struct Owner : DeviceListener {
    void OnDeviceLost(const LinkError& fault) override { lost.push_back(fault.Number()); }
    std::vector<ErrorNumber> lost;
};

// The panel's transmit queue on a paced line, as its port uses them.
struct QueuedLine {
    void Send(const Bytes& bytes) {
        for (const std::uint8_t value : bytes) {
            queue.Push(value, Clock::now());
            line.Kick(queue.GoesAtOnce(Clock::now()));
        }
    }

    Owner owner;
    TransmitQueue queue{kBoardLineSettings};
    PacedLine line{queue, owner};
};

// Address frames for boards 128 to 158 in turn, `count` of them, each level its index.
Bytes Frames(std::size_t count) {
    Bytes bytes;
    for (std::size_t frame = 0; frame < count; ++frame) {
        bytes.push_back(static_cast<std::uint8_t>(128 + frame % 31));
        bytes.insert(bytes.end(), 8, static_cast<std::uint8_t>(frame % 101));
        bytes.push_back(255);
    }
    return bytes;
}

// Bytes that end no frame, so none makes another pointless and every one must arrive.
Bytes Unframed(std::size_t count) {
    Bytes bytes(count);
    for (std::size_t index = 0; index < count; ++index) {
        bytes[index] = static_cast<std::uint8_t>(index % 251);
    }
    return bytes;
}

// Fills what the pseudo-terminal holds for its master with the test's own writes, until
// it takes nothing more even after its kernel worker has had time to move what it took:
// no byte the line hands over can then get through until the master reads. The
// descriptor keeps the slave open; the caller closes it.
int FillLine(const PseudoTerminal& pty) {
    const int slave = ::open(pty.SlavePath().c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    const std::array<std::uint8_t, 4096> filler{};
    for (int refusals = 0; slave >= 0 && refusals < 3;) {
        if (::write(slave, filler.data(), filler.size()) > 0) {
            refusals = 0;
        } else {
            ++refusals;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return slave;
}

TEST(PacedLineTest, AStuckLineIsLetGoOnceItsBacklogHadTwiceItsLineTime) {
    EventLoop::Ensure();
    PseudoTerminal pty;
    QueuedLine queued;
    queued.line.Open(pty.SlavePath(), kBoardLineSettings);
    // After the open, which empties what the device holds.
    const int filler = FillLine(pty);
    ASSERT_GE(filler, 0);
    // 300 bytes: 156 ms of line, none of which can leave.
    queued.Send(Frames(30));

    bool released = false;
    const Clock::time_point closed = Clock::now();
    queued.line.Close([&released] { released = true; });
    EXPECT_FALSE(released) << "let go before its bytes had any time";
    ASSERT_TRUE(EventLoop::SpinUntil([&released] { return released; })) << "never let go";
    EXPECT_GE(Clock::now() - closed, std::chrono::milliseconds(2 * 156));
    EXPECT_EQ(pty.SlaveDescriptorsHeld(), 1) << "only the test's own filler";
    EXPECT_TRUE(queued.owner.lost.empty()) << "a stuck line is no fault";
    ::close(filler);
}

TEST(PacedLineTest, ClosedAgainWhileItsReopenWaitsEverythingLeavesOnTheOneOpening) {
    EventLoop::Ensure();
    PseudoTerminal pty;
    QueuedLine queued;
    queued.line.Open(pty.SlavePath(), kBoardLineSettings);
    DeviceOpenLog log({pty.SlavePath()});
    const Bytes before = Unframed(400);
    queued.Send(before);
    queued.line.Close();
    // Opened again while 400 bytes still leave, sent to, then closed before it reopened.
    queued.line.Open(pty.SlavePath(), kBoardLineSettings);
    const Bytes after{110, 255};
    queued.Send(after);
    queued.line.Close();

    Bytes sent = before;
    sent.insert(sent.end(), after.begin(), after.end());
    EXPECT_EQ(EventLoop::Receive(pty, sent.size()), sent);
    ASSERT_TRUE(EventLoop::SpinUntil([&] { return pty.SlaveHungUp(); }));
    EXPECT_EQ(log.Events(), std::vector<std::string>{"close " + pty.SlavePath()});
    EXPECT_TRUE(queued.owner.lost.empty());
}

TEST(PacedLineTest, ADeviceLostMidStreamIsToldToTheOwnerAtOnce) {
    EventLoop::Ensure();
    PseudoTerminal pty;
    QueuedLine queued;
    queued.line.Open(pty.SlavePath(), kFastLine);
    queued.Send(Unframed(30000));
    ASSERT_GE(EventLoop::Receive(pty, 1000).size(), 1000U);
    pty.CloseMaster();

    ASSERT_TRUE(EventLoop::SpinUntil([&] { return !queued.owner.lost.empty(); }));
    EXPECT_EQ(queued.owner.lost, std::vector<ErrorNumber>{8022});
    EXPECT_FALSE(queued.line.Transmitting());
    EXPECT_EQ(pty.SlaveDescriptorsHeld(), 0) << "the dead descriptor was kept";
}

// As the bridge keeps its line: lost, the same path is tried again until a device is
// there, and the owner hears once it is back.
TEST(PacedLineTest, TheReopenerOpensTheSamePathOnceADeviceIsBackThere) {
    EventLoop::Ensure();
    const std::filesystem::path link = std::filesystem::temp_directory_path() /
                                       ("dimrix-paced-line-" + std::to_string(::getpid()));
    auto first = std::make_unique<PseudoTerminal>();
    std::filesystem::create_symlink(first->SlavePath(), link);
    QueuedLine queued;
    int tries = 0;
    int backs = 0;
    DeviceReopener reopener(
        [&] {
            ++tries;
            queued.line.Open(link.string(), kBoardLineSettings);
        },
        [&backs] { ++backs; });
    queued.line.Open(link.string(), kBoardLineSettings);

    first->CloseMaster();
    ASSERT_TRUE(EventLoop::SpinUntil([&] { return !queued.owner.lost.empty(); }));
    reopener.Start();
    first.reset();
    ASSERT_TRUE(EventLoop::SpinUntil([&tries] { return tries > 0; }));
    EXPECT_TRUE(reopener.Trying()) << "gave up while nothing was behind the link";
    EXPECT_EQ(backs, 0);

    PseudoTerminal second;
    std::filesystem::remove(link);
    std::filesystem::create_symlink(second.SlavePath(), link);
    ASSERT_TRUE(EventLoop::SpinUntil([&backs] { return backs > 0; }));
    EXPECT_FALSE(reopener.Trying());
    EXPECT_TRUE(queued.line.Transmitting());
    const Bytes allOff{110, 255};
    queued.Send(allOff);
    EXPECT_EQ(EventLoop::Receive(second, allOff.size()), allOff);
    EXPECT_EQ(backs, 1);
    std::filesystem::remove(link);
}

}  // namespace
}  // namespace dimrix::serial
