#include "serial/qt/PortMap.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <tuple>

namespace dimrix::serial {

namespace {

constexpr std::size_t kPortCount = 2;
constexpr std::int16_t kFirstPortNumber = 1;

constexpr std::string_view kDeviceDirectory = "/dev/";
// Where COM1 and COM2 point on Linux when too few ports are listed: the first two
// built-in UART devices, present on nearly every PC even without a UART behind them.
constexpr std::array<std::string_view, kPortCount> kLinuxFallbacks{"/dev/ttyS0", "/dev/ttyS1"};
constexpr std::string_view kWindowsPrefix = "COM";

constexpr std::string_view kUartPrefix = "ttyS";
constexpr std::array<std::string_view, 2> kUsbPrefixes{"ttyACM", "ttyUSB"};

constexpr std::string_view kSeparator = " \u2014 ";
constexpr std::string_view kNotListed = "not detected";

// Built-in UARTs go before USB adapters: their numbering follows the board's own ports
// and does not change when an adapter is plugged in.
enum class PortKind { Uart, UsbAdapter };

struct Candidate {
    PortKind kind = PortKind::Uart;
    std::string_view prefix;
    unsigned number = 0;
    const PortEntry* entry = nullptr;
};

// The number in "ttyUSB12" after "ttyUSB"; nothing for any other name.
std::optional<unsigned> NumberAfter(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size()) {
        return std::nullopt;
    }
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    unsigned number = 0;
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return number;
}

std::optional<Candidate> LinuxCandidate(const PortEntry& entry) {
    if (const auto number = NumberAfter(entry.name, kUartPrefix)) {
        return Candidate{PortKind::Uart, kUartPrefix, *number, &entry};
    }
    for (const std::string_view prefix : kUsbPrefixes) {
        if (const auto number = NumberAfter(entry.name, prefix)) {
            return Candidate{PortKind::UsbAdapter, prefix, *number, &entry};
        }
    }
    return std::nullopt;
}

std::array<MappedPort, kPortCount> ResolveLinux(const std::vector<PortEntry>& ports) {
    std::vector<Candidate> candidates;
    for (const PortEntry& entry : ports) {
        if (const auto candidate = LinuxCandidate(entry)) {
            candidates.push_back(*candidate);
        }
    }
    const auto key = [](const Candidate& c) { return std::tie(c.kind, c.prefix, c.number); };
    std::ranges::sort(candidates, {}, key);
    // A port listed twice (udev and sysfs both seen) must not take both numbers.
    const auto duplicates = std::ranges::unique(
        candidates, [&](const Candidate& a, const Candidate& b) { return key(a) == key(b); });
    candidates.erase(duplicates.begin(), duplicates.end());

    std::array<MappedPort, kPortCount> mapped{};
    for (std::size_t slot = 0; slot < kPortCount; ++slot) {
        if (slot < candidates.size()) {
            const PortEntry& entry = *candidates[slot].entry;
            mapped[slot] = {std::string(kDeviceDirectory) + entry.name, entry.description, true};
        } else {
            mapped[slot] = {std::string(kLinuxFallbacks[slot]), {}, false};
        }
    }
    return mapped;
}

std::array<MappedPort, kPortCount> ResolveWindows(const std::vector<PortEntry>& ports) {
    std::array<MappedPort, kPortCount> mapped{};
    for (std::size_t slot = 0; slot < kPortCount; ++slot) {
        const std::string name = std::string(kWindowsPrefix) + std::to_string(slot + 1);
        const auto listed =
            std::ranges::find_if(ports, [&](const PortEntry& entry) { return entry.name == name; });
        mapped[slot] = listed == ports.end() ? MappedPort{name, {}, false}
                                             : MappedPort{name, listed->description, true};
    }
    return mapped;
}

}  // namespace

PortMap PortMap::Resolve(const std::vector<PortEntry>& ports, HostPlatform platform) {
    PortMap map;
    map.m_ports = platform == HostPlatform::Windows ? ResolveWindows(ports) : ResolveLinux(ports);
    return map;
}

PortMap PortMap::Fixed(const std::string& com1, const std::string& com2) {
    PortMap map;
    map.m_ports = {MappedPort{com1, {}, true}, MappedPort{com2, {}, true}};
    return map;
}

const MappedPort& PortMap::Port(std::int16_t portNumber) const {
    const int slot = portNumber - kFirstPortNumber;
    if (slot < 0 || static_cast<std::size_t>(slot) >= kPortCount) {
        throw std::out_of_range("no port COM" + std::to_string(portNumber));
    }
    return m_ports[static_cast<std::size_t>(slot)];
}

std::string PortMap::Describe(std::int16_t portNumber) const {
    const MappedPort& port = Port(portNumber);
    if (!port.listed) {
        return port.device + std::string(kSeparator) + std::string(kNotListed);
    }
    if (port.description.empty()) {
        return port.device;
    }
    return port.device + std::string(kSeparator) + port.description;
}

}  // namespace dimrix::serial
