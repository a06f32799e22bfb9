#pragma once

#include <array>
#include <cstdint>

namespace dimrix::bridge {

// Tells sources of one universe apart: an sACN source by its CID, an Art-Net source
// (which has no identity of its own) by the IPv4 address and UDP port it sends from.
class SourceKey {
public:
    using Cid = std::array<std::uint8_t, 16>;

    enum class Origin : std::uint8_t { Sacn, ArtNet };

    [[nodiscard]] static SourceKey FromCid(const Cid& cid) { return SourceKey(Origin::Sacn, cid); }
    [[nodiscard]] static SourceKey FromArtNetSender(std::array<std::uint8_t, 4> ipv4,
                                                    std::uint16_t port) {
        Cid id{};
        for (std::size_t i = 0; i < ipv4.size(); ++i) {
            id[i] = ipv4[i];
        }
        id[ipv4.size()] = static_cast<std::uint8_t>(port >> kBitsPerByte);
        id[ipv4.size() + 1] = static_cast<std::uint8_t>(port & kByteMask);
        return SourceKey(Origin::ArtNet, id);
    }

    [[nodiscard]] Origin From() const { return m_origin; }
    // The CID, or the sender's address and port (big-endian) followed by zeros.
    [[nodiscard]] const Cid& Id() const { return m_id; }

    friend bool operator==(const SourceKey&, const SourceKey&) = default;

private:
    static constexpr unsigned kBitsPerByte = 8;
    static constexpr std::uint16_t kByteMask = 0xff;

    SourceKey(Origin origin, const Cid& id) : m_origin(origin), m_id(id) {}

    Origin m_origin = Origin::Sacn;
    Cid m_id{};
};

}  // namespace dimrix::bridge
