#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "bridge/ConsoleCommand.h"
#include "bridge/LinePatch.h"
#include "protocol/Protocol.h"

namespace dimrix::bridge {

// The web console as one source of one universe. It is off until taken, and then drives
// only the slots someone has set, each at the console's priority, so taking it never
// darkens what a network console lights. It keeps its levels until released, whoever set
// them and whether or not a page is still open: two pages are one source, and the latest
// move wins.
class ConsoleSource {
public:
    static constexpr int kUniverseSlots = LinePatch::kUniverseSlots;
    using Slots = std::array<std::uint8_t, kUniverseSlots>;

    explicit ConsoleSource(int priority) : m_priority(priority) {}

    // The DMX value whose level (LinePatch::LevelOf) is `level` per cent.
    [[nodiscard]] static constexpr std::uint8_t DmxOf(protocol::Level level) {
        constexpr int kPerCent = 100;
        return static_cast<std::uint8_t>((level * LinePatch::kDmxFull + kPerCent / 2) / kPerCent);
    }

    // Carries out a checked command. `patch` is the line it names, if it names one.
    // Returns whether what the source drives changed.
    bool Apply(const ConsoleCommand& command, const LinePatch* patch);

    [[nodiscard]] bool Taken() const { return m_taken; }
    [[nodiscard]] int Priority() const { return m_priority; }
    // What the source drives: the level of each slot (slot 1 first), and each slot's
    // priority, 0 where it drives nothing.
    [[nodiscard]] std::span<const std::uint8_t> Levels() const { return m_levels; }
    [[nodiscard]] std::span<const std::uint8_t> Priorities() const { return m_priorities; }

private:
    // `levels` from the 1-based slot `first` on.
    bool Set(int first, std::span<const protocol::Level> levels);
    bool Fill(const LinePatch& patch, protocol::Level level);

    bool m_taken = false;
    int m_priority = 0;
    Slots m_levels{};
    Slots m_priorities{};
};

}  // namespace dimrix::bridge
