#pragma once

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "bridge/qt/ListenInterface.h"

namespace dimrix::bridge {

// One UDP port the bridge listens on, shared with any other receiver on the host (sACN
// receivers share 5568 by custom), read in bounded batches so that a flood of datagrams
// never keeps the event loop from the serial lines' pumps.
class DatagramSocket {
public:
    // The largest datagram read whole; anything longer is no packet of ours, and is cut
    // to this and refused by its reader.
    static constexpr std::size_t kMaxDatagram = 1500;
    // Datagrams read in one pass of the event loop before the rest waits for the next.
    static constexpr int kBatch = 64;

    // Called with each datagram meant for the bridge: its bytes, and who sent it.
    using Handler = std::function<void(std::span<const std::uint8_t> bytes,
                                       const QHostAddress& sender, std::uint16_t senderPort)>;

    // `where` must outlive the socket.
    DatagramSocket(const ListenInterface& where, Handler handler);

    // Throws std::runtime_error with the system's reason when the port cannot be had.
    void Bind(std::uint16_t port);
    // Stops reading; what arrives from then on is left to the system.
    void Close() { m_socket->close(); }
    [[nodiscard]] QUdpSocket& Socket() { return *m_socket; }

private:
    void ReadBatch();

    const ListenInterface& m_where;
    Handler m_handler;
    std::unique_ptr<QUdpSocket> m_socket = std::make_unique<QUdpSocket>();
};

}  // namespace dimrix::bridge
