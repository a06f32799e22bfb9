#pragma once

/// @file
/// A frame as the line decoder found it: what it sets, not its bytes.

#include <variant>

#include "protocol/Frames.h"
#include "protocol/Protocol.h"

namespace dimrix::protocol {

/// An address frame: one board's eight levels.
struct DecodedAddressFrame {
    Address address = kFirstAddress;
    ChannelLevels levels{};

    friend bool operator==(const DecodedAddressFrame&, const DecodedAddressFrame&) = default;
};

/// A preset frame: every channel of every board to the preset's level.
struct DecodedPresetFrame {
    /// The command byte the frame began with.
    Byte code = kPresetBase;
    Level level = kMinLevel;

    friend bool operator==(const DecodedPresetFrame&, const DecodedPresetFrame&) = default;
};

/// A master frame: every channel of every board to its level.
struct DecodedMasterFrame {
    Level level = kMinLevel;

    friend bool operator==(const DecodedMasterFrame&, const DecodedMasterFrame&) = default;
};

/// One of the three frames a board takes; std::visit it, so a kind added later fails to
/// compile wherever it is not handled.
using DecodedFrame = std::variant<DecodedAddressFrame, DecodedPresetFrame, DecodedMasterFrame>;

}  // namespace dimrix::protocol
