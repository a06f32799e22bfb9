#pragma once

#include <QHostAddress>
#include <QTimer>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "bridge/SacnPacket.h"
#include "bridge/qt/BridgeLog.h"
#include "bridge/qt/DatagramSocket.h"
#include "bridge/qt/ListenInterface.h"
#include "bridge/qt/UniverseInput.h"

namespace dimrix::bridge {

// sACN in: UDP port 5568, unicast and the multicast group of each universe, joined on
// every interface that can (or the one bound to). Data packets go to their universe;
// everything else is counted by why it was refused, and dropped.
class SacnInput {
public:
    static constexpr std::uint16_t kPort = 5568;
    // Universe U's group is 239.255.(U / 256).(U % 256).
    static constexpr std::uint8_t kGroupFirst = 239;
    static constexpr std::uint8_t kGroupSecond = 255;

    // `where`, `universes` and `log` must outlive the input.
    SacnInput(const ListenInterface& where,
              const std::vector<std::unique_ptr<UniverseInput>>& universes, const BridgeLog& log);

    // How often the interfaces are looked at again: one that comes up later (a cable
    // plugged in, a network started after the bridge) joins the groups then.
    static constexpr std::chrono::seconds kRejoinPeriod{5};

    // Binds the port and joins the groups. Throws std::runtime_error when the port cannot
    // be had; a group no interface could join yet is logged, unicast still works.
    void Listen();
    void Close();

    [[nodiscard]] static QHostAddress Group(std::uint16_t universe);

    // Data merged into a universe of the bridge.
    [[nodiscard]] std::uint64_t Merged() const { return m_merged; }
    // Everything else: refused packets, and data of universes the bridge has no line in.
    [[nodiscard]] std::uint64_t Dropped() const;
    [[nodiscard]] std::uint64_t Refused(SacnPacket::Verdict verdict) const {
        return m_refused[static_cast<std::size_t>(verdict)];
    }

    void Receive(std::span<const std::uint8_t> bytes);

private:
    // Joins every group on every interface that has not joined it yet; logs the first
    // joins of a group that had none.
    void Join();

    const ListenInterface& m_where;
    const std::vector<std::unique_ptr<UniverseInput>>& m_universes;
    const BridgeLog& m_log;
    std::uint64_t m_merged = 0;
    std::uint64_t m_otherUniverse = 0;
    std::array<std::uint64_t, SacnPacket::kVerdictCount> m_refused{};
    // Interface index and universe of every membership held.
    std::set<std::pair<int, std::uint16_t>> m_joined;
    std::unique_ptr<QTimer> m_rejoin = std::make_unique<QTimer>();
    DatagramSocket m_socket{
        m_where, [this](std::span<const std::uint8_t> bytes, const QHostAddress&, std::uint16_t) {
            Receive(bytes);
        }};
};

}  // namespace dimrix::bridge
