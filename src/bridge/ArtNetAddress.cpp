#include "bridge/ArtNetAddress.h"

namespace dimrix::bridge {

namespace {

// Bits 14-8 of a Port-Address are its Net, bits 7-4 its Sub-Net, bits 3-0 its Universe.
constexpr unsigned kNetShift = 8;
constexpr unsigned kSubNetShift = 4;
constexpr std::uint8_t kNibble = 0x0f;

}  // namespace

std::optional<ArtNetAddress> ArtNetAddress::FromPortAddress(std::uint32_t portAddress) {
    if (portAddress > kMaxPortAddress) {
        return std::nullopt;
    }
    return ArtNetAddress(static_cast<std::uint16_t>(portAddress));
}

std::optional<ArtNetAddress> ArtNetAddress::FromSubUniAndNet(std::uint8_t subUni,
                                                             std::uint8_t net) {
    return FromPortAddress(static_cast<std::uint32_t>(net) << kNetShift | subUni);
}

std::optional<ArtNetAddress> ArtNetAddress::FromSacnUniverse(std::uint32_t universe) {
    if (universe < kFirstSacnUniverse) {
        return std::nullopt;
    }
    return FromPortAddress(universe - kFirstSacnUniverse);
}

std::uint8_t ArtNetAddress::Net() const {
    return static_cast<std::uint8_t>(m_portAddress >> kNetShift);
}

std::uint8_t ArtNetAddress::SubNet() const {
    return static_cast<std::uint8_t>((m_portAddress >> kSubNetShift) & kNibble);
}

std::uint8_t ArtNetAddress::Universe() const {
    return static_cast<std::uint8_t>(m_portAddress & kNibble);
}

std::string ArtNetAddress::Text() const {
    return std::to_string(Net()) + ':' + std::to_string(SubNet()) + ':' +
           std::to_string(Universe());
}

}  // namespace dimrix::bridge
