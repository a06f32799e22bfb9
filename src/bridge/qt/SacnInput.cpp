#include "bridge/qt/SacnInput.h"

#include <algorithm>
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
    : m_where(where), m_universes(universes), m_log(log) {
    m_rejoin->setInterval(kRejoinPeriod);
    QObject::connect(m_rejoin.get(), &QTimer::timeout, m_rejoin.get(), [this] { Join(); });
}

QHostAddress SacnInput::Group(std::uint16_t universe) {
    return QHostAddress((static_cast<quint32>(kGroupFirst) << kFirstShift) |
                        (static_cast<quint32>(kGroupSecond) << kSecondShift) |
                        (static_cast<quint32>(universe >> kBitsPerByte) << kBitsPerByte) |
                        static_cast<quint32>(universe & kByteMask));
}

void SacnInput::Listen() {
    m_socket.Bind(kPort);
    Join();
    for (const auto& universe : m_universes) {
        const bool joined = std::ranges::any_of(m_joined, [&universe](const auto& membership) {
            return membership.second == universe->Universe();
        });
        if (!joined) {
            m_log.Status("universe " + std::to_string(universe->Universe()) + ": multicast " +
                         Group(universe->Universe()).toString().toStdString() +
                         " joined on no interface yet; until one comes up, only unicast "
                         "sACN reaches it");
        }
    }
    m_rejoin->start();
}

void SacnInput::Close() {
    m_rejoin->stop();
    m_socket.Close();
}

void SacnInput::Join() {
    const bool starting = !m_rejoin->isActive();
    for (const QNetworkInterface& interface : m_where.MulticastInterfaces()) {
        for (const auto& universe : m_universes) {
            const std::pair membership{interface.index(), universe->Universe()};
            if (m_joined.contains(membership)) {
                continue;
            }
            const QHostAddress group = Group(universe->Universe());
            if (!m_socket.Socket().joinMulticastGroup(group, interface)) {
                continue;
            }
            m_joined.insert(membership);
            if (!starting) {
                m_log.Status("universe " + std::to_string(universe->Universe()) + ": multicast " +
                             group.toString().toStdString() + " joined on " +
                             interface.humanReadableName().toStdString());
            }
        }
    }
}

std::uint64_t SacnInput::Dropped() const {
    return std::accumulate(m_refused.begin(), m_refused.end(), m_otherUniverse);
}

void SacnInput::Receive(std::span<const std::uint8_t> bytes) {
    const SacnPacket packet(bytes);
    if (!packet.IsData()) {
        ++m_refused[static_cast<std::size_t>(packet.Judged())];
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
