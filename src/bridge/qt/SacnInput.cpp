#include "bridge/qt/SacnInput.h"

#include <numeric>
#include <string>

namespace dimrix::bridge {

namespace {

constexpr unsigned kBitsPerByte = 8;
constexpr std::uint16_t kByteMask = 0xff;
constexpr unsigned kFirstShift = 24;
constexpr unsigned kSecondShift = 16;

}  // namespace

SacnInput::SacnInput(const ListenInterface& where,
                     const std::vector<std::unique_ptr<UniverseInput>>& universes,
                     const BridgeLog& log)
    : m_where(where), m_universes(universes), m_log(log) {}

QHostAddress SacnInput::Group(std::uint16_t universe) {
    return QHostAddress((static_cast<quint32>(kGroupFirst) << kFirstShift) |
                        (static_cast<quint32>(kGroupSecond) << kSecondShift) |
                        (static_cast<quint32>(universe >> kBitsPerByte) << kBitsPerByte) |
                        static_cast<quint32>(universe & kByteMask));
}

void SacnInput::Listen() {
    m_socket.Bind(kPort);
    const QList<QNetworkInterface> interfaces = m_where.MulticastInterfaces();
    for (const auto& universe : m_universes) {
        const QHostAddress group = Group(universe->Universe());
        int joined = 0;
        for (const QNetworkInterface& interface : interfaces) {
            joined += m_socket.Socket().joinMulticastGroup(group, interface) ? 1 : 0;
        }
        if (joined == 0) {
            m_log.Status("universe " + std::to_string(universe->Universe()) + ": multicast " +
                         group.toString().toStdString() +
                         " joined on no interface; only unicast sACN reaches it");
        }
    }
}

std::uint64_t SacnInput::Dropped() const {
    return std::accumulate(m_refused.begin(), m_refused.end(), m_otherUniverse + m_preview);
}

void SacnInput::Receive(std::span<const std::uint8_t> bytes) {
    const SacnPacket packet(bytes);
    if (!packet.IsData()) {
        ++m_refused[static_cast<std::size_t>(packet.Judged())];
        return;
    }
    // A sender's preview is for its own visualiser, never for the stage.
    if (packet.Preview()) {
        ++m_preview;
        return;
    }
    bool merged = false;
    const UniverseInput::Clock::time_point now = UniverseInput::Clock::now();
    for (const auto& universe : m_universes) {
        if (universe->Universe() == packet.Universe()) {
            universe->Receive(packet, now);
            merged = true;
        }
    }
    ++(merged ? m_merged : m_otherUniverse);
}

}  // namespace dimrix::bridge
