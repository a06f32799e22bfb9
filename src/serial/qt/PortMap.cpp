#include "serial/qt/PortMap.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <tuple>

#include "serial/PortNumbers.h"

namespace dimrix::serial {

namespace {

// COM1 and COM2.
constexpr std::size_t kPortCount = kSecondPort - kFirstPort + 1;

constexpr std::string_view kDeviceDirectory = "/dev/";
// Where COM1 and COM2 point on Linux when too few ports are listed: the built-in UART
// devices, ttyS0 and ttyS1 present on nearly every PC even without a UART behind them.
constexpr std::string_view kLinuxFallbackStem = "/dev/ttyS";
constexpr std::string_view kWindowsPrefix = "COM";
// Windows numbers its ports from 1, Linux its ttyS devices from 0.
constexpr unsigned kLinuxFirstNumber = 0;
constexpr unsigned kWindowsFirstNumber = 1;
// Windows drivers describe their adapters as "USB Serial Port", "USB-SERIAL CH340",
// "Silicon Labs CP210x USB to UART Bridge".
constexpr std::string_view kUsbWord = "USB";
// On Windows the ports the system knows as USB devices come first.
constexpr std::size_t kWindowsUsbRank = 0;
constexpr std::size_t kWindowsOtherRank = 1;

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
constexpr std::string_view kLineBreak = "\n";

std::string_view KindText(PortKind kind) {
    switch (kind) {
        case PortKind::UsbAdapter:
            return "USB adapter";
        case PortKind::BuiltIn:
            return "built-in serial port";
        case PortKind::Other:
            return "serial device";
        case PortKind::Given:
            return "given on the command line";
        case PortKind::Unnamed:
            break;
    }
    return {};
}

struct Candidate {
    std::size_t rank = kOtherRank;
    std::string_view stem;
    unsigned number = 0;
    std::string_view name;
    // What to open for it: "/dev/ttyUSB0", "COM4".
    std::string device;
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

std::string DevicePath(std::string_view name) {
    return std::string(kDeviceDirectory) + std::string(name);
}

Candidate LinuxCandidate(const PortEntry& entry) {
    for (std::size_t rank = 0; rank < kKnownPrefixes.size(); ++rank) {
        const NamedKind& known = kKnownPrefixes.at(rank);
        if (const auto number = NumberAfter(entry.name, known.prefix)) {
            return {rank,       known.prefix, *number, entry.name, DevicePath(entry.name),
                    known.kind, &entry};
        }
    }
    const auto [stem, number] = StemAndNumber(entry.name);
    return {kOtherRank, stem, number, entry.name, DevicePath(entry.name), PortKind::Other, &entry};
}

// The first of <stem><slot>, <stem><other slot>, <stem>2, <stem>3 ... (numbers counted
// from `first`) that is not avoided.
std::string FallbackDevice(std::string_view stem, unsigned first, std::size_t slot,
                           const std::vector<std::string>& avoided) {
    for (std::size_t offset = 0;; ++offset) {
        const std::size_t number =
            first + (offset < kPortCount ? (slot + offset) % kPortCount : offset);
        std::string device = std::string(stem) + std::to_string(number);
        if (std::ranges::find(avoided, device) == avoided.end()) {
            return device;
        }
    }
}

// How a platform names the devices it falls back to.
struct Fallback {
    std::string_view stem;
    unsigned first = 0;
    PortKind kind = PortKind::Unnamed;
};

std::vector<Candidate> Sorted(std::vector<Candidate> candidates) {
    const auto key = [](const Candidate& c) { return std::tie(c.rank, c.stem, c.number, c.name); };
    std::ranges::sort(candidates, {}, key);
    // A port listed twice (udev and sysfs both seen) must not take both numbers.
    const auto duplicates = std::ranges::unique(candidates, {}, &Candidate::name);
    candidates.erase(duplicates.begin(), duplicates.end());
    return candidates;
}

MappedPort Listed(const Candidate& candidate) {
    return {candidate.device, candidate.entry->description, true, candidate.kind};
}

// COM1 and COM2 from the ranked candidates; a port left over gets a fallback device that
// is neither avoided nor taken by the other port.
std::array<MappedPort, kPortCount> Assign(const std::vector<Candidate>& candidates,
                                          std::vector<std::string> avoided,
                                          const Fallback& fallback) {
    std::array<MappedPort, kPortCount> mapped{};
    for (std::size_t slot = 0; slot < kPortCount; ++slot) {
        if (slot < candidates.size()) {
            mapped[slot] = Listed(candidates[slot]);
        } else {
            // The numbers never share a device: a listed /dev/ttyS1 as COM1 leaves COM2 on
            // /dev/ttyS0.
            mapped[slot] = {FallbackDevice(fallback.stem, fallback.first, slot, avoided),
                            {},
                            false,
                            fallback.kind};
        }
        avoided.push_back(mapped[slot].device);
    }
    return mapped;
}

std::vector<Candidate> RankedLinux(const std::vector<PortEntry>& ports,
                                   std::vector<std::string>& avoided) {
    std::vector<Candidate> candidates;
    // A fallback names a device without looking; it must not name the console's port.
    for (const PortEntry& entry : ports) {
        if (entry.console) {
            avoided.push_back(DevicePath(entry.name));
        } else {
            candidates.push_back(LinuxCandidate(entry));
        }
    }
    return Sorted(std::move(candidates));
}

bool SaysUsb(std::string_view description) {
    const auto found = std::ranges::search(description, kUsbWord, [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) == b;
    });
    return !found.empty();
}

std::vector<Candidate> RankedWindows(const std::vector<PortEntry>& ports) {
    std::vector<Candidate> candidates;
    for (const PortEntry& entry : ports) {
        const auto [stem, number] = StemAndNumber(entry.name);
        const bool usb = entry.usb || SaysUsb(entry.description);
        candidates.push_back({usb ? kWindowsUsbRank : kWindowsOtherRank, stem, number, entry.name,
                              entry.name, PortKind::Unnamed, &entry});
    }
    return Sorted(std::move(candidates));
}

// A platform's candidates in the order they are offered, each listed once; `avoided`
// gets the devices a fallback must not name.
std::vector<Candidate> Ranked(const std::vector<PortEntry>& ports, HostPlatform platform,
                              std::vector<std::string>& avoided) {
    return platform == HostPlatform::Windows ? RankedWindows(ports) : RankedLinux(ports, avoided);
}

}  // namespace

PortMap PortMap::Resolve(const std::vector<PortEntry>& ports, HostPlatform platform,
                         const PortPaths& given) {
    PortMap map;
    std::vector<std::string> avoided;
    const std::vector<Candidate> ranked = Ranked(ports, platform, avoided);
    const Fallback fallback =
        platform == HostPlatform::Windows
            ? Fallback{kWindowsPrefix, kWindowsFirstNumber, PortKind::Unnamed}
            : Fallback{kLinuxFallbackStem, kLinuxFirstNumber, PortKind::BuiltIn};
    map.m_ports = Assign(ranked, std::move(avoided), fallback);
    const std::array<const std::string*, kPortCount> givenPaths{&given.com1, &given.com2};
    const auto carriesConsole = [&](const std::string& device) {
        return std::ranges::any_of(ports, [&](const PortEntry& entry) {
            return entry.console && DevicePath(entry.name) == device;
        });
    };
    for (std::size_t slot = 0; slot < kPortCount; ++slot) {
        const std::string& path = *givenPaths.at(slot);
        if (!path.empty()) {
            map.m_ports.at(slot) = {path, {}, true, PortKind::Given, carriesConsole(path)};
        }
    }
    // Once the operator named it for one port, it is no longer left out.
    const bool consoleGiven = std::ranges::any_of(
        givenPaths, [&](const std::string* path) { return carriesConsole(*path); });
    const auto console = std::ranges::find_if(ports, &PortEntry::console);
    if (console != ports.end() && !consoleGiven) {
        map.m_console = DevicePath(console->name);
        map.m_consoleOnly = std::ranges::all_of(ports, &PortEntry::console);
    }
    return map;
}

std::vector<MappedPort> PortMap::Offered(const std::vector<PortEntry>& ports,
                                         HostPlatform platform) {
    std::vector<std::string> avoided;
    std::vector<MappedPort> offered;
    for (const Candidate& candidate : Ranked(ports, platform, avoided)) {
        offered.push_back(Listed(candidate));
    }
    return offered;
}

std::string PortMap::Label(const MappedPort& port) {
    std::string what(KindText(port.kind));
    if (!port.description.empty()) {
        what += (what.empty() ? "" : std::string(kListSeparator)) + port.description;
    }
    if (port.console) {
        what += kConsoleNote;
    }
    return what.empty() ? port.device : port.device + std::string(kSeparator) + what;
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
    const std::string text = port.listed
                                 ? Label(port)
                                 : port.device + std::string(kSeparator) + std::string(kNotPresent);
    const std::string note = ConsoleNote(portNumber);
    return note.empty() ? text : text + std::string(kLineBreak) + note;
}

std::string PortMap::ConsoleNote(std::int16_t portNumber) const {
    if (Port(portNumber).listed || m_console.empty()) {
        return {};
    }
    const std::string option = std::string("--") + kPortOptionStem + std::to_string(portNumber);
    const std::string which =
        m_consoleOnly ? "The only serial port present, " + m_console + "," : m_console;
    return which + " carries the kernel console, so it is left out; " + option + " " + m_console +
           " opens it on purpose.";
}

}  // namespace dimrix::serial
