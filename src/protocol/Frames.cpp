#include "protocol/Frames.h"

#include <stdexcept>
#include <string>

namespace dimrix::protocol {

namespace {

Byte LevelByte(Level level) {
    if (level < kMinLevel || level > kMaxLevel) {
        throw std::out_of_range("level " + std::to_string(level) + " is not 0 to 100");
    }
    return static_cast<Byte>(level);
}

Byte AddressByte(Address address) {
    if (address < kFirstAddress || address > kLastAddress) {
        throw std::out_of_range("address " + std::to_string(address) + " is not 128 to 158");
    }
    return static_cast<Byte>(address);
}

}  // namespace

std::array<Byte, kAddressFrameSize> AddressFrame(Address address, const ChannelLevels& levels) {
    std::array<Byte, kAddressFrameSize> frame{};
    frame.front() = AddressByte(address);
    for (std::size_t channel = 0; channel < levels.size(); ++channel) {
        frame[1 + channel] = LevelByte(levels[channel]);
    }
    frame.back() = kFrameEnd;
    return frame;
}

std::array<Byte, kMasterFrameSize> MasterFrame(Level level) {
    return {kMasterCommand, LevelByte(level), kFrameEnd};
}

std::array<Byte, kPresetFrameSize> PresetFrame(Preset preset) {
    return {PresetCode(preset), kFrameEnd};
}

}  // namespace dimrix::protocol
