#include "BridgeRig.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <thread>

namespace dimrix::bench {

namespace {

using bridge::samples::Bytes;
using Clock = BridgeRig::Clock;

std::vector<std::string> BridgeCommand(const std::vector<std::unique_ptr<WireReader>>& lines,
                                       const std::vector<std::string>& options) {
    std::vector<std::string> argv{DIMRIX_BRIDGE_PATH, "--bind", "127.0.0.1", "--quiet",
                                  "--sacn-only"};
    argv.insert(argv.end(), options.begin(), options.end());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        argv.push_back(lines[i]->SlavePath() + ':' + std::to_string(i + 1));
    }
    return argv;
}

// Every board at its own level, so nothing is uniform and only board 128 changes.
Bytes StillUniverse() {
    Bytes slots(BridgeRig::kBoards * BridgeRig::kChannels);
    for (int board = 1; board < BridgeRig::kBoards; ++board) {
        std::fill_n(slots.begin() + board * BridgeRig::kChannels, BridgeRig::kChannels,
                    BridgeRig::DmxFor(board));
    }
    return slots;
}

}  // namespace

BridgeRig::BridgeRig(std::size_t lineCount, double bytesPerSecond,
                     const std::vector<std::string>& options)
    : BridgeRig(std::vector<double>(lineCount, bytesPerSecond), options) {}

BridgeRig::BridgeRig(const std::vector<double>& bytesPerSecond,
                     const std::vector<std::string>& options)
    : slots(StillUniverse()) {
    for (const double rate : bytesPerSecond) {
        lines.push_back(std::make_unique<WireReader>(rate));
        lines.back()->Start([] {});
    }
    run = std::make_unique<ProgramRun>(BridgeCommand(lines, options));
    // Sends the universe until the first line shows a byte: the bridge is up and listening.
    const auto deadline = Clock::now() + kStartPatience;
    while (lines.front()->Count() == 0) {
        if (Clock::now() > deadline) {
            throw std::runtime_error("dimrix-bridge did not start");
        }
        sender.Send(slots);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::uint8_t BridgeRig::DmxFor(int level) {
    return static_cast<std::uint8_t>((level * 255 + 50) / 100);
}

double BridgeRig::Ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

std::optional<Clock::time_point> BridgeRig::AwaitBoard128(const WireReader& line, std::size_t from,
                                                          int level, Clock::time_point deadline) {
    // Addresses never occur as levels, so a board's frame is found wherever it starts.
    for (std::size_t at = from; Clock::now() < deadline;) {
        const auto bytes = line.Bytes();
        for (; at + 1 < bytes.size(); ++at) {
            if (bytes[at] == protocol::kFirstAddress && bytes[at + 1] == level) {
                return line.Time(at);
            }
        }
        // The reader stamps the bytes; this thread only must not take its core.
        std::this_thread::sleep_for(kPoll);
    }
    return std::nullopt;
}

std::optional<BridgeRig::Change> BridgeRig::ToggleBoard128(int index) {
    const int level = index % 2 == 0 ? protocol::kMaxLevel : protocol::kMinLevel;
    slots[0] = DmxFor(level);
    WireReader& line = *lines.front();
    const std::size_t before = line.Count();
    const Clock::time_point lastByte = before == 0 ? Clock::time_point{} : line.Time(before - 1);
    const Clock::time_point sent = Clock::now();
    sender.Send(slots);
    const std::optional<Clock::time_point> arrived =
        AwaitBoard128(line, before, level, sent + std::chrono::seconds(1));
    if (!arrived) {
        return std::nullopt;
    }
    return Change{.ms = Ms(*arrived - sent),
                  .idleLine = Ms(sent - lastByte) > 2 * kFrameMs && line.Time(before) == *arrived};
}

}  // namespace dimrix::bench
