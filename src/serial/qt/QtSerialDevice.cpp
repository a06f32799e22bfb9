#include "serial/qt/QtSerialDevice.h"

#include <QMetaObject>
#include <QString>
#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

#include "serial/LinkError.h"
#include "serial/qt/DeviceHandle.h"
#include "serial/qt/PortOpening.h"
#include "serial/qt/QtErrorNumbers.h"

namespace dimrix::serial {

namespace {

using Clock = Transmitter::Clock;

// Bytes still queued at close get twice their line time to leave, plus room for the
// driver to get going: enough for a healthy line, short enough for a stuck one.
constexpr int kDrainMargin = 2;
constexpr std::chrono::milliseconds kDrainSlack{500};
// How often the line is looked at while it empties; about 4 bytes at 19200 baud.
constexpr std::chrono::milliseconds kDrainPollInterval{2};

}  // namespace

QtSerialDevice::QtSerialDevice() {
    QSerialPort* port = m_port.get();
    QObject::connect(port, &QSerialPort::errorOccurred, port,
                     [this](QSerialPort::SerialPortError error) { OnError(error); });
    QObject::connect(port, &QSerialPort::readyRead, port, [this] { DiscardInput(); });
    m_pumpTimer->setSingleShot(true);
    // The line's pace is a few milliseconds a frame; a coarse timer would let it run dry.
    m_pumpTimer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_pumpTimer.get(), &QTimer::timeout, m_pumpTimer.get(),
                     [this] { PumpFromEventLoop(&Transmitter::Pump); });
}

QtSerialDevice::~QtSerialDevice() {
    Close();
}

void QtSerialDevice::CheckSettings(const LineSettings& settings) {
    CheckLineSettings(settings);
}

void QtSerialDevice::Open(const std::string& device, const LineSettings& settings) {
    if (m_state != State::Closed) {
        throw std::logic_error("the port is already open");
    }
    m_port->setReadBufferSize(kInputBufferSize);
    OpenPort(*m_port, device, settings, QIODevice::ReadWrite);
    m_device = device;
    m_fault = 0;
    ++m_generation;
    m_transmitter = std::make_unique<Transmitter>(settings);
    m_state = State::Open;
}

void QtSerialDevice::Close() {
    if (m_state == State::Open) {
        DrainOutput();
    }
    // Closed first, so that errors the closing itself raises are not taken for faults.
    m_state = State::Closed;
    Release();
}

void QtSerialDevice::Write(protocol::Byte value) {
    if (m_state == State::Closed) {
        throw LinkError(errors::kPortNotOpen, "the port is not open");
    }
    // The error signal of a lost device arrives only on a later event-loop pass; asking
    // the descriptor makes the first send after an unplug fail, not the one after it.
    if (m_state == State::Open && DeviceHungUp()) {
        MarkFailed(errors::kDeviceLost);
    }
    if (m_state == State::Broken) {
        throw LinkError(m_fault, m_device + ": the device failed; connect again");
    }
    switch (m_transmitter->Queue(value, Clock::now())) {
        case Transmitter::Wake::None:
            return;
        case Transmitter::Wake::Post:
            // A posted call, not a zero timer: it runs as soon as the handler that is
            // queueing has returned, ahead of the window's repaint, which Qt posts at low
            // priority.
            QMetaObject::invokeMethod(
                m_pumpTimer.get(), [this] { PumpFromEventLoop(&Transmitter::PumpPosted); },
                Qt::QueuedConnection);
            return;
        case Transmitter::Wake::Now:
            break;
    }
    try {
        Pump(&Transmitter::Pump);
    } catch (const LinkError& error) {
        MarkFailed(error.Number());
        throw;
    }
}

std::size_t QtSerialDevice::Waiting() const {
    return m_transmitter ? m_transmitter->Waiting() : 0;
}

void QtSerialDevice::Pump(PumpStep step) {
    const Clock::time_point now = Clock::now();
    const std::optional<Clock::time_point> next = ((*m_transmitter).*step)(*this, now);
    if (next) {
        // Rounded up: early, the driver would not yet have room for a whole frame.
        m_pumpTimer->start(std::max(std::chrono::ceil<std::chrono::milliseconds>(*next - now),
                                    std::chrono::milliseconds::zero()));
    }
}

void QtSerialDevice::PumpFromEventLoop(PumpStep step) {
    if (m_state != State::Open) {
        return;
    }
    try {
        Pump(step);
    } catch (const LinkError& error) {
        // Nobody is sending right now; the next send reports the fault.
        MarkFailed(error.Number());
    }
}

std::size_t QtSerialDevice::Accept(std::span<const protocol::Byte> bytes) {
    return device_handle::Write(*m_port, bytes, m_device);
}

void QtSerialDevice::OnError(QSerialPort::SerialPortError error) {
    // Errors of an open attempt are the open's to report; a broken port has its fault.
    if (m_state != State::Open) {
        return;
    }
    const std::optional<ErrorNumber> number = LineFaultNumber(error);
    if (!number) {
        return;
    }
    // Qt files a full or empty descriptor (EAGAIN) with the errors of a device that went
    // away; only a hang-up tells the two apart.
    if (*number == errors::kDeviceLost && !DeviceHungUp()) {
        return;
    }
    MarkFailed(*number);
}

void QtSerialDevice::DiscardInput() {
    // Nothing on this line is meant for the panel. Reading it out keeps the device from
    // holding it, and the bounded read buffer keeps a flooding peer from growing memory.
    m_port->skip(m_port->bytesAvailable());
}

void QtSerialDevice::MarkFailed(ErrorNumber number) {
    m_state = State::Broken;
    m_fault = number;
    m_pumpTimer->stop();
    m_transmitter->Clear();
    // Qt keeps retrying a failed read on every pass of the event loop until the port is
    // closed, but closing from inside its error signal can raise the signal again. The
    // release therefore runs as a queued call, and only for this same opening.
    QMetaObject::invokeMethod(
        m_port.get(),
        [this, generation = m_generation] {
            if (m_state == State::Broken && m_generation == generation) {
                Release();
            }
        },
        Qt::QueuedConnection);
}

void QtSerialDevice::Release() {
    m_pumpTimer->stop();
    if (m_port->isOpen()) {
        m_port->close();
    }
}

void QtSerialDevice::DrainOutput() {
    // Closing puts back the line settings the device had before, so bytes left in the
    // driver would leave at the wrong speed, and the queue's would never leave at all.
    // Both are let out at the line's pace first, within a deadline sized to them.
    const Clock::time_point start = Clock::now();
    const LinePacer& pacer = m_transmitter->Pacer();
    const auto backlog = static_cast<long>(m_transmitter->Waiting() + Holds());
    const Clock::time_point deadline =
        std::max(start, pacer.IdleTime()) + pacer.ByteTime() * backlog * kDrainMargin + kDrainSlack;
    m_pumpTimer->stop();
    for (Clock::time_point now = start; m_state == State::Open && now < deadline;
         now = Clock::now()) {
        if (m_transmitter->LineIdle(*this, now)) {
            return;
        }
        try {
            (void)m_transmitter->Pump(*this, now);
        } catch (const LinkError& error) {
            MarkFailed(error.Number());
            return;
        }
        std::this_thread::sleep_for(kDrainPollInterval);
    }
}

bool QtSerialDevice::DeviceHungUp() const {
    return device_handle::HungUp(*m_port);
}

std::size_t QtSerialDevice::Holds() const {
    return device_handle::Holds(*m_port);
}

}  // namespace dimrix::serial
