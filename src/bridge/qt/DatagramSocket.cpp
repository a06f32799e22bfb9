#include "bridge/qt/DatagramSocket.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace dimrix::bridge {

DatagramSocket::DatagramSocket(const ListenInterface& where, Handler handler)
    : m_where(where), m_handler(std::move(handler)) {
    QObject::connect(m_socket.get(), &QUdpSocket::readyRead, m_socket.get(),
                     [this] { ReadBatch(); });
}

void DatagramSocket::Bind(std::uint16_t port) {
    if (!m_socket->bind(QHostAddress(QHostAddress::AnyIPv4), port,
                        QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        throw std::runtime_error("UDP port " + std::to_string(port) + ": " +
                                 m_socket->errorString().toStdString());
    }
}

void DatagramSocket::ReadBatch() {
    // Only from readyRead, and never all of a flood: what is left keeps the descriptor
    // readable, so Qt tells again on the event loop's next pass, after the timers due.
    // Reading from anywhere else can empty the socket between the system's word and Qt's
    // signal; Qt then takes the signal it finds nothing for as unread data and stops
    // listening for good.
    for (int read = 0; read < kBatch && m_socket->hasPendingDatagrams(); ++read) {
        const QNetworkDatagram datagram =
            m_socket->receiveDatagram(static_cast<qint64>(kMaxDatagram));
        if (!datagram.isValid() || !m_where.Accepts(datagram.destinationAddress())) {
            continue;
        }
        const QByteArray& data = datagram.data();
        m_handler(std::span(reinterpret_cast<const std::uint8_t*>(data.constData()),
                            static_cast<std::size_t>(data.size())),
                  datagram.senderAddress(), static_cast<std::uint16_t>(datagram.senderPort()));
    }
}

}  // namespace dimrix::bridge
