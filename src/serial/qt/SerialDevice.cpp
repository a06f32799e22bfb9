#include "serial/qt/SerialDevice.h"

#include <QMetaObject>
#include <stdexcept>

#include "serial/HostPlatform.h"
#include "serial/qt/DeviceHandle.h"
#include "serial/qt/PortOpening.h"
#include "serial/qt/QtErrorNumbers.h"

namespace dimrix::serial {

namespace {

// Qt's text for a hang-up carries whatever errno was left from before.
constexpr const char* kHungUp = "the device hung up";

}  // namespace

SerialDevice::SerialDevice(DeviceListener& listener) : m_listener(listener) {
    QSerialPort* port = m_port.get();
    QObject::connect(port, &QSerialPort::errorOccurred, port,
                     [this](QSerialPort::SerialPortError error) { OnError(error); });
    QObject::connect(port, &QSerialPort::readyRead, port, [this] { ReadInput(); });
    m_inputCheck->setInterval(device_handle::InputCheckInterval());
    QObject::connect(m_inputCheck.get(), &QTimer::timeout, m_inputCheck.get(),
                     [this] { CheckInput(); });
}

SerialDevice::~SerialDevice() {
    Release();
}

void SerialDevice::Open(const std::string& device, const LineSettings& settings,
                        Direction direction) {
    if (m_port->isOpen()) {
        throw std::logic_error("the device is already open");
    }
    m_port->setReadBufferSize(static_cast<qint64>(kChunkSize));
    OpenPort(*m_port, device, settings,
             direction == Direction::Receive ? QIODevice::ReadOnly : QIODevice::ReadWrite);
    m_device = device;
    m_direction = direction;
    m_countsHeld = device_handle::CountsHeld(*m_port);
    m_fault.reset();
    ++m_generation;
    if (m_inputCheck->interval() > 0) {
        m_inputCheck->start();
    }
}

void SerialDevice::Release() {
    // A fault's queued report is void once the owner let the device go itself.
    ++m_generation;
    m_inputCheck->stop();
    if (m_port->isOpen()) {
        m_port->close();
    }
}

std::size_t SerialDevice::Write(std::span<const protocol::Byte> bytes) {
    if (m_fault) {
        throw *m_fault;
    }
    try {
        return device_handle::Write(*m_port, bytes, m_device);
    } catch (const LinkError& error) {
        Fail(error);
        throw;
    }
}

std::size_t SerialDevice::Holds() const {
    return Healthy() && m_countsHeld ? device_handle::Holds(*m_port) : 0;
}

bool SerialDevice::Probe() {
    if (!Healthy()) {
        return false;
    }
    if (device_handle::HungUp(*m_port)) {
        Fail(LinkError(errors::kDeviceLost, kHungUp));
        return false;
    }
    return true;
}

void SerialDevice::OnError(QSerialPort::SerialPortError error) {
    // Errors of an open attempt are the open's to report, and a failed device has its fault.
    if (!Healthy()) {
        return;
    }
    const std::optional<ErrorNumber> number =
        LineFaultNumber(kHostPlatform, error, device_handle::HungUp(*m_port));
    if (!number) {
        return;
    }
    Fail(LinkError(*number, *number == errors::kDeviceLost ? std::string(kHungUp)
                                                           : m_port->errorString().toStdString()));
}

void SerialDevice::ReadInput() {
    // The read buffer holds at most one chunk, so one read empties it; under a flood the
    // other work of the event loop gets its turn between two chunks.
    const qint64 count = m_port->read(m_buffer.data(), static_cast<qint64>(m_buffer.size()));
    if (count > 0 && m_direction == Direction::Receive) {
        m_listener.OnBytesRead({reinterpret_cast<const protocol::Byte*>(m_buffer.data()),
                                static_cast<std::size_t>(count)});
    }
}

void SerialDevice::CheckInput() {
    if (Healthy() && device_handle::InputWaiting(*m_port)) {
        // Setting the bound again is how QSerialPort restarts reading after a full
        // buffer: it starts a read unless one is under way, and what that read gets
        // arrives through readyRead as ever. A read() would not do: it reserves room in
        // the buffer first, and the bound then leaves none.
        m_port->setReadBufferSize(static_cast<qint64>(kChunkSize));
    }
}

void SerialDevice::Fail(const LinkError& fault) {
    if (m_fault) {
        return;
    }
    m_fault = fault;
    // Qt keeps retrying a failed read on every pass of the event loop until the port is
    // closed, but closing from inside its error signal can raise the signal again.
    QMetaObject::invokeMethod(
        m_port.get(),
        [this, generation = m_generation] {
            if (m_generation != generation || !m_fault) {
                return;
            }
            Release();
            m_listener.OnDeviceLost(*m_fault);
        },
        Qt::QueuedConnection);
}

}  // namespace dimrix::serial
