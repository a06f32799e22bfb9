#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "SacnSender.h"
#include "WireReader.h"
#include "bridge/SamplePackets.h"
#include "protocol/Frames.h"
#include "protocol/Protocol.h"

namespace dimrix::bench {

/// The real dimrix-bridge on `lineCount` pseudo-terminals (universe 1 upwards), listening
/// on 127.0.0.1 only, the lines read at `bytesPerSecond` (0: as fast as they come); up
/// and driving them with a universe where only board 128 will change. Its web console is
/// off unless `options` (given before the lines) say where.
struct BridgeRig {
    using Clock = WireReader::Clock;

    static constexpr double kLineBytesPerSecond = 1920.0;
    static constexpr int kBoards = protocol::kAddressCount;
    static constexpr int kChannels = protocol::kChannelCount;
    static constexpr std::size_t kAddressFrameSize = protocol::kAddressFrameSize;
    /// What a console sends: a whole universe about 44 times a second.
    static constexpr auto kConsolePeriod = std::chrono::microseconds(1'000'000 / 44);
    static constexpr auto kStartPatience = std::chrono::seconds(10);
    /// One frame's time on the line, the bound a change may wait behind.
    static constexpr double kFrameMs = kAddressFrameSize * 1000.0 / kLineBytesPerSecond;
    /// How often a row's thread looks at what the reader's thread stamped.
    static constexpr auto kPoll = std::chrono::microseconds(200);

    BridgeRig(std::size_t lineCount, double bytesPerSecond,
              const std::vector<std::string>& options = {"--http", "off"});
    /// A line for each rate: a reader that spins takes a core, and a 2-core machine has
    /// none for a second one beside the bridge.
    BridgeRig(const std::vector<double>& bytesPerSecond, const std::vector<std::string>& options);

    /// DMX that the bridge turns into exactly `level`: the inverse of its rounding.
    static std::uint8_t DmxFor(int level);
    static double Ms(Clock::duration duration);
    /// When the first byte of board 128's frame with channel 0 at `level` arrived, at or
    /// after byte `from`; nothing if not by `deadline`.
    static std::optional<Clock::time_point> AwaitBoard128(const WireReader& line, std::size_t from,
                                                          int level, Clock::time_point deadline);

    /// One change of board 128's channel 0 on the first line, sent by sACN and waited for.
    struct Change {
        /// From the packet's send to the first byte of the board's new frame.
        double ms = 0.0;
        /// Nothing was on its way when the packet came, and nothing went first.
        bool idleLine = false;
    };
    /// Change number `index` (full and off in turn); nothing if it never reached the wire
    /// within a second.
    std::optional<Change> ToggleBoard128(int index);

    std::vector<std::unique_ptr<WireReader>> lines;
    std::unique_ptr<ProgramRun> run;
    SacnSender sender;
    bridge::samples::Bytes slots;
};

}  // namespace dimrix::bench
