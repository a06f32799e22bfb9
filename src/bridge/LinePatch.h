#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "bridge/ArtNetAddress.h"
#include "bridge/LineLevels.h"
#include "protocol/Protocol.h"

namespace dimrix::bridge {

struct ParsedLine;

// Where one serial line sits in a DMX universe, as written on the command line:
// DEVICE[:UNIVERSE[:START]]. Board 128+k channel c takes slot START+8k+c.
class LinePatch {
public:
    static constexpr std::uint16_t kFirstUniverse = 1;
    static constexpr std::uint16_t kLastUniverse = 63999;
    static constexpr std::uint16_t kDefaultUniverse = 1;
    static constexpr int kDefaultStart = 1;
    static constexpr int kUniverseSlots = 512;
    // The highest START whose 248 slots still end within the universe.
    static constexpr int kLastStart = kUniverseSlots - static_cast<int>(kLineChannels) + 1;
    static constexpr std::uint8_t kDmxFull = 255;
    static constexpr char kSeparator = ':';

    // Reads DEVICE[:UNIVERSE[:START]]. The numbers are taken from the right, so a device
    // name with colons of its own (Linux's by-path names) still reads as one.
    [[nodiscard]] static ParsedLine Parse(std::string_view text);

    LinePatch(std::string device, std::uint16_t universe, int start);

    [[nodiscard]] const std::string& Device() const { return m_device; }
    [[nodiscard]] std::uint16_t Universe() const { return m_universe; }
    // 1-based slot of board 128's channel 0.
    [[nodiscard]] int Start() const { return m_start; }
    // The universe's Art-Net Port-Address; none above universe 32768.
    [[nodiscard]] std::optional<ArtNetAddress> ArtNet() const {
        return ArtNetAddress::FromSacnUniverse(m_universe);
    }

    // The line's levels from the DMX slots of its universe (slot 1 first); slots the
    // sender did not send count as 0.
    [[nodiscard]] LineLevels LevelsFrom(std::span<const std::uint8_t> slots) const;

    // DMX 0 to 255 as a level 0 to 100, rounded to nearest.
    [[nodiscard]] static constexpr protocol::Level LevelOf(std::uint8_t dmx) {
        return static_cast<protocol::Level>((dmx * protocol::kMaxLevel + kDmxFull / 2) / kDmxFull);
    }

private:
    std::string m_device;
    std::uint16_t m_universe = kDefaultUniverse;
    int m_start = kDefaultStart;
};

// A patch, or why the text is none.
struct ParsedLine {
    std::optional<LinePatch> patch;
    std::string error;
};

static_assert(LinePatch::LevelOf(255) == 100 && LinePatch::LevelOf(128) == 50);
static_assert(LinePatch::LevelOf(1) == 0 && LinePatch::LevelOf(3) == 1);

}  // namespace dimrix::bridge
