#pragma once

/// @file
/// What a single byte on the line means to a board, from the byte ranges alone. The
/// transmit queue and the line decoder both read the stream through this one function.

#include <optional>

#include "protocol/Protocol.h"

namespace dimrix::protocol {

/// The class of one byte on the line.
enum class ByteClass {
    Level,     ///< kMinLevel to kMaxLevel: a channel level
    Master,    ///< kMasterCommand: starts a master frame
    Preset,    ///< one of the six preset codes: starts a preset frame
    Address,   ///< kFirstAddress to kLastAddress: starts an address frame
    FrameEnd,  ///< kFrameEnd: ends every frame
    Unused,    ///< any other value; the panel never sends one
};

/// The class of `value`.
constexpr ByteClass ClassOf(Byte value) {
    if (value <= kMaxLevel) {
        return ByteClass::Level;
    }
    if (value == kMasterCommand) {
        return ByteClass::Master;
    }
    for (const Preset preset : kPresets) {
        if (value == PresetCode(preset)) {
            return ByteClass::Preset;
        }
    }
    if (value >= kFirstAddress && value <= kLastAddress) {
        return ByteClass::Address;
    }
    if (value == kFrameEnd) {
        return ByteClass::FrameEnd;
    }
    return ByteClass::Unused;
}

/// Whether a byte of this class begins a frame.
constexpr bool StartsFrame(ByteClass byteClass) {
    return byteClass == ByteClass::Master || byteClass == ByteClass::Preset ||
           byteClass == ByteClass::Address;
}

/// The level a preset code sets every channel to, or nothing for any other byte.
constexpr std::optional<Level> PresetLevelOf(Byte code) {
    for (const Preset preset : kPresets) {
        if (code == PresetCode(preset)) {
            return PresetLevel(preset);
        }
    }
    return std::nullopt;
}

static_assert(ClassOf(kMinLevel) == ByteClass::Level && ClassOf(kMaxLevel) == ByteClass::Level);
static_assert(ClassOf(kMasterCommand) == ByteClass::Master);
static_assert(ClassOf(kFirstAddress) == ByteClass::Address &&
              ClassOf(kLastAddress) == ByteClass::Address);
static_assert(ClassOf(kFrameEnd) == ByteClass::FrameEnd);

}  // namespace dimrix::protocol
