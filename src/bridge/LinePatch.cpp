#include "bridge/LinePatch.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

namespace dimrix::bridge {

namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// The number in `text`, or nothing if it does not fit in an int.
std::optional<int> Number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

ParsedLine Refuse(std::string_view text, const std::string& why) {
    return {std::nullopt, "line '" + std::string(text) + "': " + why};
}

}  // namespace

LinePatch::LinePatch(std::string device, std::uint16_t universe, int start)
    : m_device(std::move(device)), m_universe(universe), m_start(start) {}

ParsedLine LinePatch::Parse(std::string_view text) {
    // Up to two trailing all-digit fields are the numbers; the rest is the device.
    std::vector<std::string_view> numbers;
    std::string_view device = text;
    while (numbers.size() < 2) {
        const std::size_t colon = device.rfind(kSeparator);
        if (colon == std::string_view::npos) {
            break;
        }
        const std::string_view field = device.substr(colon + 1);
        if (field.empty()) {
            return Refuse(text, "nothing after ':'");
        }
        if (!AllDigits(field)) {
            break;
        }
        numbers.insert(numbers.begin(), field);
        device = device.substr(0, colon);
    }
    if (device.empty()) {
        return Refuse(text, "no device named before the universe");
    }

    int universe = kDefaultUniverse;
    int start = kDefaultStart;
    if (!numbers.empty()) {
        const std::optional<int> value = Number(numbers[0]);
        if (!value || *value < kFirstUniverse || *value > kLastUniverse) {
            return Refuse(text, "universe " + std::string(numbers[0]) + " is not " +
                                    std::to_string(kFirstUniverse) + " to " +
                                    std::to_string(kLastUniverse));
        }
        universe = *value;
    }
    if (numbers.size() > 1) {
        const std::optional<int> value = Number(numbers[1]);
        if (!value || *value < 1 || *value > kLastStart) {
            return Refuse(text, "slots " + std::string(numbers[1]) + " onwards cannot hold the " +
                                    std::to_string(kLineChannels) +
                                    " channels of 31 boards within " +
                                    std::to_string(kUniverseSlots) + " slots (start is 1 to " +
                                    std::to_string(kLastStart) + ")");
        }
        start = *value;
    }
    return {LinePatch(std::string(device), static_cast<std::uint16_t>(universe), start), {}};
}

LineLevels LinePatch::LevelsFrom(std::span<const std::uint8_t> slots) const {
    LineLevels levels{};
    const auto first = static_cast<std::size_t>(m_start - 1);
    for (std::size_t channel = 0; channel < levels.size(); ++channel) {
        const std::size_t slot = first + channel;
        levels[channel] = slot < slots.size() ? LevelOf(slots[slot]) : protocol::kMinLevel;
    }
    return levels;
}

}  // namespace dimrix::bridge
