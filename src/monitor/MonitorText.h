#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>

#include "monitor/LineMonitor.h"
#include "protocol/DecodeListener.h"
#include "protocol/Protocol.h"

namespace dimrix::monitor {

// Every text the monitor prints or shows, without a line end. The frame lines are for
// scripts: fields separated by single spaces, the time first, with exactly six decimals.
//
//   12.345678 board 130 0 10 20 30 40 50 60 70
//   12.345678 preset 113 30
//   12.345678 master 42
//   12.345678 malformed 130 9 9 torn
class MonitorText {
public:
    // "12.345678".
    [[nodiscard]] static std::string Seconds(std::chrono::nanoseconds sinceStart);
    // The line for a frame that took effect.
    [[nodiscard]] static std::string FrameLine(std::chrono::nanoseconds sinceStart,
                                               const protocol::DecodedFrame& frame);
    [[nodiscard]] static std::string MalformedLine(std::chrono::nanoseconds sinceStart,
                                                   std::span<const protocol::Byte> bytes,
                                                   protocol::Malformation why);
    // The last word of a malformed line.
    [[nodiscard]] static std::string Reason(protocol::Malformation why);
    // What was read in all, for the end of a run.
    [[nodiscard]] static std::string Summary(const LineCounts& counts);
    // The window's status, in two lines: the line and its load, then the counts.
    // `fault`: why the line was lost, while it is.
    [[nodiscard]] static std::string Status(const std::string& device,
                                            const std::optional<std::string>& fault,
                                            const LineMonitor& monitor, LineMonitor::TimePoint now);
};

}  // namespace dimrix::monitor
