#pragma once

/// @file
/// Frame encoders. Pure functions returning fixed-size arrays: building a frame never
/// allocates, so the slider path can run at drag rate without touching the heap.

#include <array>
#include <cstddef>

#include "protocol/ByteClass.h"
#include "protocol/Protocol.h"

namespace dimrix::protocol {

/// Bytes in an address frame: address, eight levels, terminator.
inline constexpr std::size_t kAddressFrameSize = 1 + kChannelCount + 1;
/// Bytes in a master frame: command, level, terminator.
inline constexpr std::size_t kMasterFrameSize = 3;
/// Bytes in a preset frame: command, terminator.
inline constexpr std::size_t kPresetFrameSize = 2;

/// The length of the frame that a byte of class `first` begins, terminator included;
/// 0 for a class that begins no frame.
constexpr std::size_t FrameSizeStartedBy(ByteClass first) {
    switch (first) {
        case ByteClass::Address:
            return kAddressFrameSize;
        case ByteClass::Master:
            return kMasterFrameSize;
        case ByteClass::Preset:
            return kPresetFrameSize;
        default:
            return 0;
    }
}

/// The eight channel levels of one board, channel 0 first.
using ChannelLevels = std::array<Level, kChannelCount>;

/// The frame that sets all eight channels of one board.
/// @param address board address, kFirstAddress to kLastAddress
/// @param levels  channel levels in channel order, each kMinLevel to kMaxLevel
/// @throws std::out_of_range if the address or a level lies outside its byte class,
///         since such a byte would be read by the boards as a command or an address.
std::array<Byte, kAddressFrameSize> AddressFrame(Address address, const ChannelLevels& levels);

/// The frame that sets every channel of every board to one level.
/// @throws std::out_of_range if the level lies outside kMinLevel to kMaxLevel.
std::array<Byte, kMasterFrameSize> MasterFrame(Level level);

/// The frame that applies one of the six presets to every board.
std::array<Byte, kPresetFrameSize> PresetFrame(Preset preset);

}  // namespace dimrix::protocol
