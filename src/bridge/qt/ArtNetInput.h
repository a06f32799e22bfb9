#pragma once

#include <QHostAddress>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "bridge/ArtNetPacket.h"
#include "bridge/qt/DatagramSocket.h"
#include "bridge/qt/ListenInterface.h"
#include "bridge/qt/UniverseInput.h"

namespace dimrix::bridge {

// Art-Net in: UDP port 6454. ArtDmx goes to the universe of its Port-Address, from a
// source named by the sender's address, and every ArtPoll is answered at once with the
// bridge's ArtPollReply, naming one output port per line that has a Port-Address:
// controllers send ArtDmx only to nodes that answered. Everything else is counted by why
// it was refused, and dropped.
class ArtNetInput {
public:
    static constexpr std::uint16_t kPort = ArtNetPacket::kPort;

    // `where` and `universes` must outlive the input.
    ArtNetInput(const ListenInterface& where,
                const std::vector<std::unique_ptr<UniverseInput>>& universes);

    // Throws std::runtime_error when the port cannot be had.
    void Listen() { m_socket.Bind(kPort); }
    void Close() { m_socket.Close(); }

    [[nodiscard]] std::uint64_t Merged() const { return m_merged; }
    [[nodiscard]] std::uint64_t Polls() const { return m_polls; }
    // Refused packets, and data of Port-Addresses the bridge has no line in.
    [[nodiscard]] std::uint64_t Dropped() const;

    void Receive(std::span<const std::uint8_t> bytes, const QHostAddress& sender,
                 std::uint16_t senderPort);

private:
    void Reply(const QHostAddress& poller, std::uint16_t pollerPort);

    const ListenInterface& m_where;
    const std::vector<std::unique_ptr<UniverseInput>>& m_universes;
    std::uint64_t m_merged = 0;
    std::uint64_t m_otherUniverse = 0;
    std::uint64_t m_polls = 0;
    std::uint32_t m_replies = 0;
    std::array<std::uint64_t, ArtNetPacket::kVerdictCount> m_refused{};
    DatagramSocket m_socket{m_where,
                            [this](std::span<const std::uint8_t> bytes, const QHostAddress& sender,
                                   std::uint16_t port) { Receive(bytes, sender, port); }};
};

}  // namespace dimrix::bridge
