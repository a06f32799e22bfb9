#include "bridge/qt/ArtNetInput.h"

#include <QHostInfo>
#include <numeric>
#include <string>

#include "bridge/ArtPollReply.h"
#include "bridge/SourceKey.h"
#include "bridge/qt/BridgeOptionTexts.h"

namespace dimrix::bridge {

namespace {

constexpr unsigned kBitsPerByte = 8;
constexpr std::uint8_t kByteMask = 0xff;
constexpr std::size_t kIpv4Size = 4;
constexpr const char* kShortName = "Dimrix bridge";

SourceKey::Ipv4 Octets(const QHostAddress& address) {
    const quint32 value = address.toIPv4Address();
    SourceKey::Ipv4 octets{};
    for (std::size_t i = 0; i < kIpv4Size; ++i) {
        octets[i] =
            static_cast<std::uint8_t>((value >> (kBitsPerByte * (kIpv4Size - 1 - i))) & kByteMask);
    }
    return octets;
}

// The node's version in the reply: the major release in the high byte, the minor in the
// low one.
std::uint16_t NodeVersion() {
    const QStringList parts = QString(texts::kVersion).split('.');
    const int major = parts.value(0).toInt();
    const int minor = parts.value(1).toInt();
    return static_cast<std::uint16_t>(((major & kByteMask) << kBitsPerByte) | (minor & kByteMask));
}

}  // namespace

ArtNetInput::ArtNetInput(const ListenInterface& where,
                         const std::vector<std::unique_ptr<UniverseInput>>& universes)
    : m_where(where), m_universes(universes) {}

std::uint64_t ArtNetInput::Dropped() const {
    return std::accumulate(m_refused.begin(), m_refused.end(), m_otherUniverse);
}

void ArtNetInput::Receive(std::span<const std::uint8_t> bytes, const QHostAddress& sender,
                          std::uint16_t senderPort) {
    const ArtNetPacket packet(bytes);
    switch (packet.Judged()) {
        case ArtNetPacket::Verdict::Poll:
            ++m_polls;
            Reply(sender, senderPort);
            return;
        case ArtNetPacket::Verdict::Dmx:
            break;
        default:
            ++m_refused[static_cast<std::size_t>(packet.Judged())];
            return;
    }
    const SourceKey key = SourceKey::FromArtNetSender(Octets(sender));
    bool merged = false;
    const UniverseInput::Clock::time_point now = UniverseInput::Clock::now();
    for (const auto& universe : m_universes) {
        if (universe->ArtNet() == packet.Address()) {
            universe->Receive(packet, key, now);
            merged = true;
        }
    }
    ++(merged ? m_merged : m_otherUniverse);
}

void ArtNetInput::Reply(const QHostAddress& poller, std::uint16_t pollerPort) {
    std::vector<ArtPollReply::Port> ports;
    for (const auto& universe : m_universes) {
        for (const LineOutput* line : universe->Lines()) {
            ports.push_back({universe->ArtNet(), line->Transmitting()});
        }
    }
    const std::string longName = std::string(kShortName) + ' ' + texts::kVersion + " on " +
                                 QHostInfo::localHostName().toStdString();
    ArtPollReply::Node node;
    node.ip = Octets(m_where.AddressFacing(poller));
    node.version = NodeVersion();
    node.shortName = kShortName;
    node.longName = longName;
    node.replyCount = m_replies++;
    for (const ArtPollReply::Bytes& reply : ArtPollReply::Build(node, ports)) {
        const auto* data = reinterpret_cast<const char*>(reply.data());
        const auto size = static_cast<qint64>(reply.size());
        // Replies go to the Art-Net port; a controller that polls from a port of its own
        // may listen only there, so it gets them there too.
        m_socket.Socket().writeDatagram(data, size, poller, kPort);
        if (pollerPort != kPort) {
            m_socket.Socket().writeDatagram(data, size, poller, pollerPort);
        }
    }
}

}  // namespace dimrix::bridge
