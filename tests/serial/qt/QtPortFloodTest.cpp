#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "serial/qt/EventLoop.h"
#include "serial/qt/QtPortService.h"
#include "support/PseudoTerminal.h"

namespace dimrix::serial {
namespace {

using testing::EventLoop;
using testing::PseudoTerminal;
using Bytes = std::vector<std::uint8_t>;

// The peer writes as fast as the line takes it. A run of seconds pushes hundreds of
// megabytes through a port that keeps what it reads; a port that drops it stays flat.
constexpr std::chrono::milliseconds kWarmUp{500};
constexpr std::chrono::milliseconds kFloodTime{3000};
constexpr std::size_t kFloodChunk = 4096;
constexpr std::uint8_t kFloodByte = 0x5A;
// The pseudo-terminal alone holds about 4 KiB when nobody reads the slave; a flood of
// this size only gets through if the port reads and drops everything.
constexpr std::size_t kMinimumFloodBytes = 1024 * 1024;
// Allocator noise and the sanitizers' own bookkeeping stay well below this.
constexpr long kGrowthLimitKiB = 2048;

// The process's resident set, in KiB, as the kernel counts it.
long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string field;
    while (status >> field) {
        if (field == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return -1;
}

std::size_t Flood(const PseudoTerminal& pty, std::chrono::milliseconds duration) {
    const Bytes chunk(kFloodChunk, kFloodByte);
    std::size_t flooded = 0;
    const QDeadlineTimer deadline(duration);
    EventLoop::SpinUntil(
        [&] {
            flooded += pty.WriteToMaster(chunk);
            return deadline.hasExpired();
        },
        duration + EventLoop::kPatience);
    return flooded;
}

TEST(QtPortFloodTest, PeerFloodingTheLineLeavesMemoryFlatAndSendsIntact) {
    EventLoop::Ensure();
    PseudoTerminal pty;
    QtPortService port(PortPaths{pty.SlavePath(), pty.SlavePath()});
    port.SetPortNumber(1);
    port.SetSettings(kBoardLineSettings);
    port.Open();

    Flood(pty, kWarmUp);
    const long before = ResidentKiB();
    const std::size_t flooded = Flood(pty, kFloodTime);
    const long after = ResidentKiB();
    RecordProperty("flooded_bytes", std::to_string(flooded));
    RecordProperty("rss_growth_kib", std::to_string(after - before));
    EXPECT_GE(flooded, kMinimumFloodBytes) << "the port stopped taking input";
    EXPECT_LT(after - before, kGrowthLimitKiB) << "resident set grew from " << before << " KiB";

    // The line still carries the panel's frames byte for byte while the peer talks.
    const Bytes frame{130, 0, 10, 13, 17, 19, 100, 0, 0, 255};
    for (const std::uint8_t value : frame) {
        port.Write(value);
    }
    Bytes received;
    EventLoop::SpinUntil([&] {
        pty.ReadInto(received);
        return received.size() >= frame.size();
    });
    EXPECT_EQ(received, frame);
}

}  // namespace
}  // namespace dimrix::serial
