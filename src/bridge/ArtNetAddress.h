#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dimrix::bridge {

// An Art-Net Port-Address: Net 0-127, Sub-Net 0-15 and Universe 0-15, 15 bits in all.
// Every way in checks its range, so no address outside those 15 bits can be made; the
// arithmetic between them, sACN universes and the bytes on the wire lives here alone.
class ArtNetAddress {
public:
    static constexpr std::uint16_t kMaxPortAddress = 0x7fff;
    // sACN universe U is Port-Address U - 1, so only universes up to 32768 have one.
    static constexpr std::uint16_t kFirstSacnUniverse = 1;
    static constexpr std::uint16_t kLastSacnUniverse = kMaxPortAddress + 1;

    // 0:0:0, the Port-Address of sACN universe 1.
    constexpr ArtNetAddress() = default;

    // Nothing above 0x7fff.
    [[nodiscard]] static std::optional<ArtNetAddress> FromPortAddress(std::uint32_t portAddress);
    // As ArtDmx carries it: the low byte (Sub-Net and Universe), then the Net; nothing
    // for a Net above 127.
    [[nodiscard]] static std::optional<ArtNetAddress> FromSubUniAndNet(std::uint8_t subUni,
                                                                       std::uint8_t net);
    // Nothing for universe 0 or above 32768.
    [[nodiscard]] static std::optional<ArtNetAddress> FromSacnUniverse(std::uint32_t universe);

    [[nodiscard]] constexpr std::uint16_t PortAddress() const { return m_portAddress; }
    [[nodiscard]] std::uint8_t Net() const;
    [[nodiscard]] std::uint8_t SubNet() const;
    [[nodiscard]] std::uint8_t Universe() const;
    // Net:Sub-Net:Universe in decimal, as Art-Net controllers show it ("0:0:0").
    [[nodiscard]] std::string Text() const;

    friend constexpr bool operator==(ArtNetAddress, ArtNetAddress) = default;

private:
    constexpr explicit ArtNetAddress(std::uint16_t portAddress) : m_portAddress(portAddress) {}

    std::uint16_t m_portAddress = 0;
};

}  // namespace dimrix::bridge
