#pragma once

/// @file
/// Every byte value the dimmer boards understand. The boards share one line with no
/// checksum, length or escaping, so level, command, address and terminator bytes live
/// in disjoint ranges; the static_asserts below are the one place that is checked.

#include <array>
#include <cstdint>

namespace dimrix::protocol {

/// One octet on the line.
using Byte = std::uint8_t;
/// A channel level in per cent of full duty, as the panel holds it.
using Level = std::int16_t;
/// A board address, as the panel holds it.
using Address = std::int16_t;

/// Lowest channel level (off).
inline constexpr Level kMinLevel = 0;
/// Highest channel level (full duty).
inline constexpr Level kMaxLevel = 100;

/// Starts a master frame: every channel of every board to the level that follows.
inline constexpr Byte kMasterCommand = 109;

/// First command byte of the preset range; a preset's code is this plus its level / 10.
inline constexpr Byte kPresetBase = 110;
/// Per cent covered by one step of the preset code.
inline constexpr Level kPresetStep = 10;

/// Lowest board address.
inline constexpr Address kFirstAddress = 128;
/// Highest board address.
inline constexpr Address kLastAddress = 158;
/// Number of boards the line can carry.
inline constexpr int kAddressCount = kLastAddress - kFirstAddress + 1;

/// Channels on each board.
inline constexpr int kChannelCount = 8;

/// Ends every frame.
inline constexpr Byte kFrameEnd = 255;

/// The six broadcast presets; the enumerator value is the command byte sent.
enum class Preset : Byte {
    AllOff = kPresetBase + 0,
    All10 = kPresetBase + 1,
    All30 = kPresetBase + 3,
    All50 = kPresetBase + 5,
    All70 = kPresetBase + 7,
    All100 = kPresetBase + 10,
};

/// The command byte that starts the preset's frame.
constexpr Byte PresetCode(Preset preset) {
    return static_cast<Byte>(preset);
}

/// The level every channel takes on when the preset is sent.
constexpr Level PresetLevel(Preset preset) {
    return static_cast<Level>((PresetCode(preset) - kPresetBase) * kPresetStep);
}

/// All presets, weakest first.
inline constexpr std::array<Preset, 6> kPresets{Preset::AllOff, Preset::All10, Preset::All30,
                                                Preset::All50,  Preset::All70, Preset::All100};

static_assert(kMinLevel == 0 && kMaxLevel < kMasterCommand, "levels must stay below commands");
static_assert(PresetCode(Preset::AllOff) > kMasterCommand, "presets follow the master command");
static_assert(PresetCode(Preset::All100) < kFirstAddress, "commands must stay below addresses");
static_assert(PresetLevel(Preset::All100) == kMaxLevel, "the strongest preset is full duty");
static_assert(kAddressCount == 31, "the line carries 31 boards");
static_assert(kLastAddress < kFrameEnd, "addresses must stay below the terminator");

}  // namespace dimrix::protocol
