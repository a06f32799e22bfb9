#include "monitor/qt/DeviceLine.h"

#include <QMetaObject>

#include "serial/LineSettings.h"
#include "serial/qt/PortOpening.h"
#include "serial/qt/QtErrorNumbers.h"

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace dimrix::monitor {

DeviceLine::DeviceLine(std::string device) : m_device(std::move(device)) {
    QSerialPort* port = m_port.get();
    QObject::connect(port, &QSerialPort::readyRead, port, [this] { ReadChunk(); });
    QObject::connect(port, &QSerialPort::errorOccurred, port,
                     [this](QSerialPort::SerialPortError error) { OnError(error); });
}

DeviceLine::~DeviceLine() {
    m_lost = true;
    m_port->close();
}

void DeviceLine::Open() {
    m_port->setReadBufferSize(static_cast<qint64>(kChunkSize));
    serial::OpenPort(*m_port, m_device, serial::kBoardLineSettings, QIODevice::ReadOnly);
    m_lost = false;
}

void DeviceLine::ReadChunk() {
    // The read buffer holds at most one chunk, so one read empties it; under a flood the
    // window's repaint and the signals get their turn between two chunks.
    const qint64 count = m_port->read(m_buffer.data(), static_cast<qint64>(m_buffer.size()));
    if (count > 0) {
        Deliver({reinterpret_cast<const protocol::Byte*>(m_buffer.data()),
                 static_cast<std::size_t>(count)});
    }
}

void DeviceLine::OnError(QSerialPort::SerialPortError error) {
    if (m_lost || !m_port->isOpen()) {
        return;
    }
    const auto number = serial::LineFaultNumber(error);
    // Qt files an empty descriptor (EAGAIN) with the errors of a device that went away;
    // only a hang-up tells the two apart.
    if (!number || (*number == serial::errors::kDeviceLost && !DeviceHungUp())) {
        return;
    }
    m_lost = true;
    // Qt's text for a hang-up carries whatever errno was left from before.
    const std::string reason = *number == serial::errors::kDeviceLost
                                   ? std::string("the device hung up")
                                   : m_port->errorString().toStdString();
    // Closing inside QSerialPort's own error signal can raise it again.
    QMetaObject::invokeMethod(
        m_port.get(),
        [this, reason] {
            m_port->close();
            ReportLost(reason);
        },
        Qt::QueuedConnection);
}

bool DeviceLine::DeviceHungUp() const {
#ifdef Q_OS_UNIX
    pollfd probe{m_port->handle(), POLLIN, 0};
    if (::poll(&probe, 1, 0) <= 0) {
        return false;
    }
    return (probe.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return true;
#endif
}

}  // namespace dimrix::monitor
