#include "monitor/MonitorText.h"

#include <array>
#include <cstdio>

#include <type_traits>
#include <variant>

namespace dimrix::monitor {

namespace {

constexpr std::int64_t kMicrosPerSecond = 1'000'000;
constexpr const char* kSeparator = "  ·  ";

void AppendBytes(std::string& line, std::span<const protocol::Byte> bytes) {
    for (const protocol::Byte value : bytes) {
        line += ' ';
        line += std::to_string(value);
    }
}

std::string Tenths(std::chrono::nanoseconds time) {
    std::array<char, 32> text{};
    (void)std::snprintf(text.data(), text.size(), "%.1f",
                        std::chrono::duration<double>(time).count());
    return text.data();
}

}  // namespace

std::string MonitorText::Seconds(std::chrono::nanoseconds sinceStart) {
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(sinceStart).count();
    std::array<char, 32> text{};
    (void)std::snprintf(text.data(), text.size(), "%lld.%06lld",
                        static_cast<long long>(micros / kMicrosPerSecond),
                        static_cast<long long>(micros % kMicrosPerSecond));
    return text.data();
}

std::string MonitorText::FrameLine(std::chrono::nanoseconds sinceStart,
                                   const protocol::DecodedFrame& frame) {
    std::string line = Seconds(sinceStart);
    std::visit(
        [&line]<typename Frame>(const Frame& decoded) {
            if constexpr (std::is_same_v<Frame, protocol::DecodedAddressFrame>) {
                line += " board " + std::to_string(decoded.address);
                for (const protocol::Level level : decoded.levels) {
                    line += ' ' + std::to_string(level);
                }
            } else if constexpr (std::is_same_v<Frame, protocol::DecodedPresetFrame>) {
                line +=
                    " preset " + std::to_string(decoded.code) + ' ' + std::to_string(decoded.level);
            } else {
                static_assert(std::is_same_v<Frame, protocol::DecodedMasterFrame>);
                line += " master " + std::to_string(decoded.level);
            }
        },
        frame);
    return line;
}

std::string MonitorText::MalformedLine(std::chrono::nanoseconds sinceStart,
                                       std::span<const protocol::Byte> bytes,
                                       protocol::Malformation why) {
    std::string line = Seconds(sinceStart) + " malformed";
    AppendBytes(line, bytes);
    return line + ' ' + Reason(why);
}

std::string MonitorText::Reason(protocol::Malformation why) {
    switch (why) {
        case protocol::Malformation::Torn:
            return "torn";
        case protocol::Malformation::Short:
            return "short";
        case protocol::Malformation::StrayLevel:
            return "stray-level";
        case protocol::Malformation::StrayEnd:
            return "stray-end";
        case protocol::Malformation::Unused:
            break;
    }
    return "unused-value";
}

std::string MonitorText::Summary(const LineCounts& counts) {
    return std::to_string(counts.Frames()) + " frames (" + std::to_string(counts.address) +
           " address, " + std::to_string(counts.preset) + " preset, " +
           std::to_string(counts.master) + " master), " + std::to_string(counts.malformed) +
           " malformed, " + std::to_string(counts.bytes) + " bytes";
}

std::string MonitorText::Status(const std::string& device, const std::optional<std::string>& fault,
                                const LineMonitor& monitor, LineMonitor::TimePoint now) {
    std::string status = device + kSeparator;
    // A lost line carries nothing: its load gives way to the reason.
    if (fault) {
        status += "line lost: " + *fault + ", reopening" + kSeparator;
    } else {
        status += "load " + std::to_string(monitor.LoadPercent(now)) + "% of " +
                  std::to_string(monitor.Capacity()) + " B/s" + kSeparator +
                  std::to_string(monitor.FramesPerSecond(now)) + " frames/s" + kSeparator;
    }
    const auto since = monitor.SinceLastByte(now);
    status += since ? "last byte " + Tenths(*since) + " s ago" : std::string("no byte yet");
    const LineCounts& counts = monitor.Counts();
    status += "\nframes: address " + std::to_string(counts.address) + ", preset " +
              std::to_string(counts.preset) + ", master " + std::to_string(counts.master) +
              kSeparator + "malformed or torn " + std::to_string(counts.malformed);
    return status;
}

}  // namespace dimrix::monitor
