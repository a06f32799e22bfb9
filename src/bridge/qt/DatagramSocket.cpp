#include "bridge/qt/DatagramSocket.h"

#include <QMetaObject>
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
    m_batchPosted = false;
    for (int read = 0; read < kBatch; ++read) {
        if (!m_socket->hasPendingDatagrams()) {
            return;
        }
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
    // More wait: the rest after whatever else the event loop has due, timers included.
    if (m_socket->hasPendingDatagrams() && !m_batchPosted) {
        m_batchPosted = true;
        QMetaObject::invokeMethod(
            m_socket.get(), [this] { ReadBatch(); }, Qt::QueuedConnection);
    }
}

}  // namespace dimrix::bridge
