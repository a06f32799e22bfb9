// The bridge's churn rows: a console's full churn at its rate on one line and on four,
// the boards' staleness, and the bridge's CPU against a floor measured in the same run
// (bench/FloorLine.cpp).

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "BenchReport.h"
#include "BridgeRig.h"
#include "ProgramRun.h"
#include "Rows.h"
#include "Samples.h"
#include "WireReader.h"
#include "protocol/Frames.h"
#include "protocol/Protocol.h"

namespace dimrix::bench {

namespace {

using Clock = BridgeRig::Clock;
using bridge::samples::Bytes;
constexpr auto kBoards = BridgeRig::kBoards;
constexpr auto kChannels = BridgeRig::kChannels;
constexpr auto kConsolePeriod = BridgeRig::kConsolePeriod;
constexpr double kFrameMs = BridgeRig::kFrameMs;
constexpr double kLineBytesPerSecond = BridgeRig::kLineBytesPerSecond;
constexpr std::size_t kAddressFrameSize = BridgeRig::kAddressFrameSize;

// Where each frame of a well-formed stream begins.
std::vector<std::size_t> FrameStarts(std::span<const std::uint8_t> bytes) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < bytes.size();) {
        starts.push_back(i);
        const std::uint8_t first = bytes[i];
        i += first >= protocol::kFirstAddress    ? kAddressFrameSize
             : first == protocol::kMasterCommand ? protocol::kMasterFrameSize
                                                 : protocol::kPresetFrameSize;
    }
    return starts;
}

// Console-rate churn on `lineCount` lines (a universe each), every slot new in every
// packet, each line read at 1920 B/s. Board b's channels 0 and 1 carry the packet's
// number, so each frame on the wire says how old its data is.
// The floor: one frame a frame time to a pseudo-terminal read at 1920 B/s, as the
// bridge's line at its limit, from a bare program (bench/FloorLine.cpp). It runs beside
// the bridge, over the same seconds, so that whatever else the machine does weighs on
// both alike.
struct FloorLineRun {
    FloorLineRun() : line(kLineBytesPerSecond) {
        line.Start([] {});
        run = std::make_unique<ProgramRun>(
            std::vector<std::string>{DIMRIX_FLOOR_LINE_PATH, line.SlavePath()});
        const auto deadline = Clock::now() + BridgeRig::kStartPatience;
        while (line.Count() == 0) {
            if (Clock::now() > deadline) {
                throw std::runtime_error("the floor did not start");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~FloorLineRun() { line.Stop(); }
    FloorLineRun(const FloorLineRun&) = delete;
    FloorLineRun& operator=(const FloorLineRun&) = delete;

    WireReader line;
    std::unique_ptr<ProgramRun> run;
};

struct Churn {
    Samples staleness;
    double maxGapMs = 0.0;
    int starvedBoards = 0;
    bool endsAtLastState = true;
    double cpuPercent = 0.0;
    // The floor's over the same seconds, where it ran beside.
    double floorPercent = 0.0;
    double peakMb = 0.0;
};

Churn RunChurn(std::size_t lineCount, std::chrono::seconds length, bool withFloor) {
    BridgeRig rig(lineCount, kLineBytesPerSecond);
    auto& [lines, run, sender, slots] = rig;
    const std::unique_ptr<FloorLineRun> floor =
        withFloor ? std::make_unique<FloorLineRun>() : nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    std::mt19937 random(7);
    std::vector<Clock::time_point> sentAt;
    std::vector<std::size_t> startCount;
    for (const auto& line : lines) {
        startCount.push_back(line->Count());
    }
    const double cpuBefore = run->CpuSeconds();
    const double floorBefore = floor ? floor->run->CpuSeconds() : 0.0;
    const Clock::time_point begin = Clock::now();
    auto next = begin;
    while (Clock::now() < begin + length) {
        const int number = static_cast<int>(sentAt.size());
        for (int board = 0; board < kBoards; ++board) {
            const auto at = slots.begin() + board * kChannels;
            at[0] = BridgeRig::DmxFor(number / 100);
            at[1] = BridgeRig::DmxFor(number % 100);
            // The rest random: never two boards alike, never one level everywhere.
            for (int channel = 2; channel < kChannels; ++channel) {
                at[channel] = static_cast<std::uint8_t>(random() % 256);
            }
        }
        sentAt.push_back(Clock::now());
        for (std::size_t line = 0; line < lineCount; ++line) {
            sender.Send(slots, static_cast<std::uint16_t>(line + 1));
        }
        next += kConsolePeriod;
        std::this_thread::sleep_until(next);
    }
    const Clock::time_point end = Clock::now();
    const double cpuSeconds = run->CpuSeconds() - cpuBefore;
    const double floorSeconds = floor ? floor->run->CpuSeconds() - floorBefore : 0.0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));

    Churn churn;
    const double seconds = std::chrono::duration<double>(end - begin).count();
    churn.cpuPercent = 100.0 * cpuSeconds / seconds;
    churn.floorPercent = 100.0 * floorSeconds / seconds;
    churn.peakMb = run->PeakResidentMb();
    const int lastNumber = static_cast<int>(sentAt.size()) - 1;
    for (std::size_t l = 0; l < lineCount; ++l) {
        lines[l]->Stop();
        const auto bytes = lines[l]->Bytes();
        // Each board's frames: when the last byte arrived, and which packet's data it held.
        std::array<std::vector<std::pair<Clock::time_point, int>>, kBoards> frames;
        for (const std::size_t at : FrameStarts(bytes)) {
            if (at < startCount[l] || bytes[at] < protocol::kFirstAddress ||
                at + kAddressFrameSize > bytes.size()) {
                continue;
            }
            frames[bytes[at] - protocol::kFirstAddress].emplace_back(
                lines[l]->Time(at + kAddressFrameSize - 1), bytes[at + 1] * 100 + bytes[at + 2]);
        }
        for (const auto& board : frames) {
            if (board.empty()) {
                ++churn.starvedBoards;
                continue;
            }
            churn.endsAtLastState = churn.endsAtLastState && board.back().second == lastNumber;
            for (std::size_t i = 1; i < board.size(); ++i) {
                if (board[i].first <= end) {
                    churn.maxGapMs = std::max(churn.maxGapMs,
                                              BridgeRig::Ms(board[i].first - board[i - 1].first));
                }
            }
            // How long each packet's change took to reach the board: to the first frame
            // that holds that packet's data or newer.
            std::size_t frame = 0;
            for (int number = 0; number <= lastNumber; ++number) {
                while (frame < board.size() && board[frame].second < number) {
                    ++frame;
                }
                if (frame == board.size()) {
                    break;
                }
                churn.staleness.Add(
                    BridgeRig::Ms(board[frame].first - sentAt[static_cast<std::size_t>(number)]));
            }
        }
    }
    return churn;
}

}  // namespace

void MeasureBridgeChurn(BenchReport& report) {
    const Churn one = RunChurn(1, std::chrono::seconds(10), true);
    const double floor = one.floorPercent;
    const double passMs = kBoards * kFrameMs;
    // One pass of 31 frames plus the one on the wire, rounded up.
    constexpr double goal = 170.0;
    report.Row("bridge: full churn at 44 Hz for 10 s, board staleness",
               one.staleness.Spread(1) + ", longest gap " + Fixed(one.maxGapMs, 0) + " ms, " +
                   std::to_string(one.starvedBoards) + " boards starved, " +
                   (one.endsAtLastState ? "boards end at the last state" : "boards end stale"),
               "p99 <= " + Fixed(goal, 0) + " ms, none starved, ends at the last state",
               MetIf(one.staleness.P99() <= goal && one.starvedBoards == 0 && one.endsAtLastState &&
                     one.maxGapMs < 2 * passMs));
    // The wakes and writes of a line at its limit cost what they cost on this machine and
    // kernel; the floor measures them in the same seconds, and the bridge is held to it.
    const double ratio = floor > 0.0 ? one.cpuPercent / floor : 0.0;
    constexpr double kRatioGoal = 1.3;
    constexpr double kPercentGoal = 1.0;
    report.Row(
        "bridge: CPU at 44 Hz, one universe and one line, against the floor",
        Fixed(one.cpuPercent, 2) + " % of one core, " + Fixed(ratio, 2) + " x the floor's " +
            Fixed(floor, 2) + " % (peak " + Fixed(one.peakMb, 1) + " MB)",
        "<= " + Fixed(kRatioGoal, 1) + " x the floor; < 1 % of one core where the floor allows",
        MetIf(floor > 0.0 && ratio <= kRatioGoal &&
              (one.cpuPercent < kPercentGoal || floor * kRatioGoal >= kPercentGoal)));
    report.Value("bridge.churn_staleness_p99_ms", one.staleness.P99());
    report.Value("bridge.cpu_one_line_percent", one.cpuPercent);
    report.Value("bridge.floor_cpu_percent", floor);
    report.Value("bridge.cpu_floor_ratio", ratio);

    const Churn four = RunChurn(4, std::chrono::seconds(10), false);
    report.Row("bridge: CPU at 44 Hz, four lines", Fixed(four.cpuPercent, 2) + " % of one core",
               "< 3 % of one core", MetIf(four.cpuPercent < 3.0));
    report.Value("bridge.cpu_four_lines_percent", four.cpuPercent);
}

}  // namespace dimrix::bench
