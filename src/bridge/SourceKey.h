#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace dimrix::bridge {

// Tells sources of one universe apart: an sACN source by its CID, an Art-Net source
// (which has no identity of its own) by the IPv4 address it sends from, as Art-Net's
// merge rule says (a sender that changes its UDP port stays one source), and the
// bridge's own console, one per universe, by its origin alone.
class SourceKey {
public:
    using Cid = std::array<std::uint8_t, 16>;
    using Ipv4 = std::array<std::uint8_t, 4>;

    enum class Origin : std::uint8_t { Sacn, ArtNet, Console };

    [[nodiscard]] static SourceKey FromCid(const Cid& cid) { return SourceKey(Origin::Sacn, cid); }
    [[nodiscard]] static SourceKey FromArtNetSender(const Ipv4& ipv4) {
        Cid id{};
        for (std::size_t i = 0; i < ipv4.size(); ++i) {
            id[i] = ipv4[i];
        }
        return SourceKey(Origin::ArtNet, id);
    }
    [[nodiscard]] static SourceKey Console() { return SourceKey(Origin::Console, {}); }

    [[nodiscard]] Origin From() const { return m_origin; }
    // The CID, or the Art-Net sender's address followed by zeros, or all zeros.
    [[nodiscard]] const Cid& Id() const { return m_id; }
    // As people read it: the CID as sACN tools print it, the Art-Net sender's address, or
    // "console".
    [[nodiscard]] std::string Text() const;

    friend bool operator==(const SourceKey&, const SourceKey&) = default;

private:
    SourceKey(Origin origin, const Cid& id) : m_origin(origin), m_id(id) {}

    Origin m_origin = Origin::Sacn;
    Cid m_id{};
};

}  // namespace dimrix::bridge
