#include "serial/qt/QtSerialDevice.h"

#include <QMetaObject>
#include <algorithm>
#include <stdexcept>
#include <thread>

#include "serial/LinkError.h"
#include "serial/qt/PortOpening.h"

namespace dimrix::serial {

namespace {

// Bytes still queued at close get twice their line time to leave, plus room for the
// driver to get going: enough for a healthy line, short enough for a stuck one.
constexpr int kDrainMargin = 2;
constexpr std::chrono::milliseconds kDrainSlack{500};

}  // namespace

QtSerialDevice::QtSerialDevice(DeviceListener* owner) : m_owner(owner) {}

QtSerialDevice::~QtSerialDevice() {
    Finish();
}

void QtSerialDevice::CheckSettings(const LineSettings& settings) {
    CheckLineSettings(settings);
}

void QtSerialDevice::Open(const std::string& device, const LineSettings& settings) {
    if (m_state == State::Closing && device == Device()) {
        // The device is still letting out what was sent before; closing it now would put
        // its settings back under those bytes. It is closed and opened again once they
        // have left, and what is sent from now on waits for that.
        m_reopen = settings;
        m_afterReopen = std::make_unique<Transmitter>(settings);
        m_state = State::Open;
        return;
    }
    if (m_state != State::Closed) {
        throw std::logic_error("the port is already open");
    }
    m_device.Open(device, settings, SerialDevice::Direction::Transmit);
    m_fault = 0;
    m_transmitter = std::make_unique<Transmitter>(settings);
    m_state = State::Open;
}

void QtSerialDevice::Close() {
    if (m_state == State::Broken) {
        Release();
        m_state = State::Closed;
    }
    if (m_state != State::Open) {
        return;
    }
    StartDrain(Clock::now());
    PumpFromEventLoop(&Transmitter::Pump);
}

void QtSerialDevice::StartDrain(Clock::time_point now) {
    m_state = State::Closing;
    const LinePacer& pacer = m_transmitter->Pacer();
    const auto backlog = static_cast<LinePacer::Duration::rep>(Waiting() + Holds());
    m_drainDeadline =
        std::max(now, pacer.IdleTime()) + pacer.ByteTime() * backlog * kDrainMargin + kDrainSlack;
}

void QtSerialDevice::Write(protocol::Byte value) {
    if (m_state == State::Closed || m_state == State::Closing) {
        throw LinkError(errors::kPortNotOpen, "the port is not open");
    }
    // The error signal of a lost device arrives only on a later event-loop pass; asking
    // the descriptor makes the first send after an unplug fail, not the one after it.
    if (m_state == State::Open && !m_device.Probe()) {
        MarkFailed(errors::kDeviceLost);
    }
    if (m_state == State::Broken) {
        throw LinkError(m_fault, Device() + ": the device failed; connect again");
    }
    const Clock::time_point now = Clock::now();
    if (m_reopen) {
        // Pumped once the device is open again.
        (void)m_afterReopen->Queue(value, now);
        return;
    }
    switch (m_transmitter->Queue(value, now)) {
        case Transmitter::Wake::None:
            return;
        case Transmitter::Wake::Post:
            // A posted call, not a zero timer: it runs as soon as the handler that is
            // queueing has returned, ahead of the window's repaint, which Qt posts at low
            // priority.
            QMetaObject::invokeMethod(
                m_pumpTimer.Context(), [this] { PumpFromEventLoop(&Transmitter::PumpPosted); },
                Qt::QueuedConnection);
            return;
        case Transmitter::Wake::Now:
            break;
    }
    try {
        m_pumpTimer.WakeAt(Advance(&Transmitter::Pump, now), now);
    } catch (const LinkError& error) {
        MarkFailed(error.Number());
        throw;
    }
}

std::size_t QtSerialDevice::Waiting() const {
    return (m_transmitter ? m_transmitter->Waiting() : 0) +
           (m_afterReopen ? m_afterReopen->Waiting() : 0);
}

std::optional<QtSerialDevice::Clock::time_point> QtSerialDevice::Advance(PumpStep step,
                                                                         Clock::time_point now) {
    if (m_state == State::Closing && now >= m_drainDeadline) {
        // A line that does not move: what is left goes with the device.
        Release();
        m_state = State::Closed;
        return std::nullopt;
    }
    if (const auto next = ((*m_transmitter).*step)(*this, now)) {
        return next;
    }
    if (m_state == State::Open && !m_reopen) {
        return std::nullopt;
    }
    // Closing puts back the settings the device had before, so what the driver and the
    // wire still hold must be gone first.
    if (!m_transmitter->LineIdle(*this, now)) {
        const LinePacer& pacer = m_transmitter->Pacer();
        return std::max(pacer.IdleTime(),
                        now + pacer.ByteTime() * static_cast<LinePacer::Duration::rep>(
                                                     std::max<std::size_t>(Holds(), 1)));
    }
    if (m_reopen) {
        Reopen();
        // The bytes sent meanwhile never asked for their pump.
        return Advance(&Transmitter::PumpPosted, now);
    }
    Release();
    m_state = State::Closed;
    return std::nullopt;
}

void QtSerialDevice::Reopen() {
    const LineSettings settings = *m_reopen;
    m_reopen.reset();
    m_device.Release();
    try {
        m_device.Open(Device(), settings, SerialDevice::Direction::Transmit);
    } catch (const LinkError& error) {
        MarkFailed(error.Number());
        if (m_owner != nullptr) {
            m_owner->OnDeviceLost(error);
        }
        throw;
    }
    m_transmitter = std::move(m_afterReopen);
}

void QtSerialDevice::PumpFromEventLoop(PumpStep step) {
    if (m_state != State::Open && m_state != State::Closing) {
        return;
    }
    const Clock::time_point now = Clock::now();
    try {
        m_pumpTimer.WakeAt(Advance(step, now), now);
    } catch (const LinkError& error) {
        // Nobody is sending right now; the owner hears of it, the next send reports it.
        MarkFailed(error.Number());
    }
}

std::size_t QtSerialDevice::Accept(std::span<const protocol::Byte> bytes) {
    return m_device.Write(bytes);
}

std::size_t QtSerialDevice::Holds() const {
    return m_device.Holds();
}

void QtSerialDevice::OnDeviceLost(const LinkError& fault) {
    if (m_state == State::Open || m_state == State::Closing) {
        MarkFailed(fault.Number());
    }
    if (m_owner != nullptr) {
        m_owner->OnDeviceLost(fault);
    }
}

void QtSerialDevice::MarkFailed(ErrorNumber number) {
    m_pumpTimer.Stop();
    if (m_transmitter) {
        m_transmitter->Clear();
    }
    m_afterReopen.reset();
    m_reopen.reset();
    if (m_state == State::Closing) {
        // Nobody sends any more: the device goes now, with nothing to report.
        Release();
        m_state = State::Closed;
        return;
    }
    m_state = State::Broken;
    m_fault = number;
}

void QtSerialDevice::Release() {
    m_pumpTimer.Stop();
    m_device.Release();
}

void QtSerialDevice::Finish() {
    // No event loop runs any more: the drain sleeps until each hand-over is due.
    if (m_state == State::Open) {
        StartDrain(Clock::now());
    }
    while (m_state == State::Closing) {
        const Clock::time_point now = Clock::now();
        std::optional<Clock::time_point> wake;
        try {
            wake = Advance(&Transmitter::Pump, now);
        } catch (const LinkError&) {
            break;
        }
        if (!wake) {
            break;
        }
        std::this_thread::sleep_until(*wake);
    }
    Release();
    m_state = State::Closed;
}

}  // namespace dimrix::serial
