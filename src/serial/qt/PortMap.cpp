#include "serial/qt/PortMap.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <tuple>

#include "serial/PortService.h"

namespace dimrix::serial {

namespace {

// COM1 and COM2.
constexpr std::size_t kPortCount = kSecondPort - kFirstPort + 1;

constexpr std::string_view kDeviceDirectory = "/dev/";
// Where COM1 and COM2 point on Linux when too few ports are listed: the first two
// built-in UART devices, present on nearly every PC even without a UART behind them.
constexpr std::array<std::string_view, kPortCount> kLinuxFallbacks{"/dev/ttyS0", "/dev/ttyS1"};
constexpr std::string_view kWindowsPrefix = "COM";

// Name prefixes in the order their ports are offered; any other name comes after them.
struct NamedKind {
    std::string_view prefix;
    PortKind kind;
};
constexpr std::array kKnownPrefixes{
    NamedKind{"ttyUSB", PortKind::UsbAdapter},
    NamedKind{"ttyACM", PortKind::UsbAdapter},
    NamedKind{"ttyS", PortKind::BuiltIn},
};
constexpr std::size_t kOtherRank = kKnownPrefixes.size();

constexpr std::string_view kSeparator = " \u2014 ";
constexpr std::string_view kListSeparator = ", ";
constexpr std::string_view kNotPresent = "not present";
constexpr std::string_view kConsoleNote = " (kernel console)";

std::string_view KindText(PortKind kind) {
    switch (kind) {
        case PortKind::UsbAdapter:
            return "USB adapter";
        case PortKind::BuiltIn:
            return "built-in serial port";
        case PortKind::Other:
            return "serial device";
        case PortKind::Unnamed:
            break;
    }
    return {};
}

struct Candidate {
    bool console = false;
    std::size_t rank = kOtherRank;
    std::string_view stem;
    unsigned number = 0;
    std::string_view name;
    PortKind kind = PortKind::Other;
    const PortEntry* entry = nullptr;
};

// The number in "ttyUSB12" after "ttyUSB"; nothing when anything else follows the prefix.
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

// "ttyAMA10" is stem "ttyAMA" and number 10, so that it sorts after "ttyAMA2".
std::pair<std::string_view, unsigned> StemAndNumber(std::string_view name) {
    const std::size_t digits = name.find_last_not_of("0123456789") + 1;
    const std::string_view stem = name.substr(0, digits);
    return {stem, NumberAfter(name, stem).value_or(0)};
}

Candidate LinuxCandidate(const PortEntry& entry) {
    for (std::size_t rank = 0; rank < kKnownPrefixes.size(); ++rank) {
        const NamedKind& known = kKnownPrefixes.at(rank);
        if (const auto number = NumberAfter(entry.name, known.prefix)) {
            return {entry.console, rank, known.prefix, *number, entry.name, known.kind, &entry};
        }
    }
    const auto [stem, number] = StemAndNumber(entry.name);
    return {entry.console, kOtherRank, stem, number, entry.name, PortKind::Other, &entry};
}

std::array<MappedPort, kPortCount> ResolveLinux(const std::vector<PortEntry>& ports) {
    std::vector<Candidate> candidates;
    for (const PortEntry& entry : ports) {
        candidates.push_back(LinuxCandidate(entry));
    }
    const auto key = [](const Candidate& c) {
        return std::tie(c.console, c.rank, c.stem, c.number, c.name);
    };
    std::ranges::sort(candidates, {}, key);
    // A port listed twice (udev and sysfs both seen) must not take both numbers.
    const auto duplicates = std::ranges::unique(candidates, {}, &Candidate::name);
    candidates.erase(duplicates.begin(), duplicates.end());

    std::array<MappedPort, kPortCount> mapped{};
    for (std::size_t slot = 0; slot < kPortCount; ++slot) {
        if (slot < candidates.size()) {
            const Candidate& chosen = candidates[slot];
            mapped[slot] = {std::string(kDeviceDirectory) + chosen.entry->name,
                            chosen.entry->description, true, chosen.kind, chosen.console};
            continue;
        }
        // The numbers never share a device: a listed /dev/ttyS1 as COM1 leaves COM2 on
        // /dev/ttyS0.
        const std::string_view own = kLinuxFallbacks[slot];
        const std::string_view other = kLinuxFallbacks[kPortCount - 1 - slot];
        const bool ownTaken = slot > 0 && mapped[0].device == own;
        mapped[slot] = {std::string(ownTaken ? other : own), {}, false, PortKind::BuiltIn, false};
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
    const int slot = portNumber - kFirstPort;
    if (slot < 0 || static_cast<std::size_t>(slot) >= kPortCount) {
        throw std::out_of_range("no port COM" + std::to_string(portNumber));
    }
    return m_ports[static_cast<std::size_t>(slot)];
}

std::string PortMap::Describe(std::int16_t portNumber) const {
    const MappedPort& port = Port(portNumber);
    if (!port.listed) {
        return port.device + std::string(kSeparator) + std::string(kNotPresent);
    }
    std::string what(KindText(port.kind));
    if (!port.description.empty()) {
        what += (what.empty() ? "" : std::string(kListSeparator)) + port.description;
    }
    if (port.console) {
        what += kConsoleNote;
    }
    return what.empty() ? port.device : port.device + std::string(kSeparator) + what;
}

}  // namespace dimrix::serial
