#include "serial/qt/PacedDevice.h"

#include <QMetaObject>
#include <algorithm>
#include <thread>
#include <utility>

namespace dimrix::serial {

namespace {

// Bytes still held at a drain get twice their line time to leave, plus room for the
// driver to get going: enough for a healthy line, short enough for a stuck one.
constexpr int kDrainMargin = 2;
constexpr std::chrono::milliseconds kDrainSlack{500};

}  // namespace

PacedDevice::PacedDevice(FrameSource& source, DeviceListener& owner)
    : m_source(source), m_owner(owner) {}

PacedDevice::~PacedDevice() {
    // No event loop runs for this device any more: the drain sleeps until each hand-over
    // is due, and nobody is told when it ends.
    m_released = nullptr;
    if (m_device.Healthy() && !m_draining) {
        StartDrain(Clock::now());
    }
    while (m_draining && m_device.Healthy()) {
        std::optional<TimePoint> wake;
        try {
            wake = Advance(&Transmitter::Pump, Clock::now());
        } catch (const LinkError&) {
            break;
        }
        if (!wake) {
            break;
        }
        std::this_thread::sleep_until(*wake);
    }
    Release();
}

void PacedDevice::Open(const std::string& device, const LineSettings& settings) {
    m_device.Open(device, settings, SerialDevice::Direction::Transmit);
    m_transmitter.emplace(settings);
    m_pending = PendingBytes();
    m_draining = false;
}

void PacedDevice::Kick(bool atOnce) {
    if (!Transmitting()) {
        return;
    }
    switch (m_transmitter->Kick(atOnce)) {
        case Transmitter::Wake::None:
            return;
        case Transmitter::Wake::Post:
            // A posted call, not a zero timer: it runs as soon as the handler that is
            // sending has returned, ahead of a window's repaint, which Qt posts at low
            // priority.
            QMetaObject::invokeMethod(
                m_pumpTimer.Context(), [this] { PumpFromEventLoop(&Transmitter::PumpPosted); },
                Qt::QueuedConnection);
            return;
        case Transmitter::Wake::Now:
            Pump();
            return;
    }
}

void PacedDevice::Pump() {
    if (!Transmitting()) {
        return;
    }
    const TimePoint now = Clock::now();
    try {
        m_pumpTimer.WakeAt(Advance(&Transmitter::Pump, now), now);
    } catch (const LinkError&) {
        // The device's own call follows from the event loop, and the owner hears it.
        m_pumpTimer.Stop();
        throw;
    }
}

void PacedDevice::PumpFromEventLoop(PumpStep step) {
    if (!m_device.Healthy()) {
        return;
    }
    const TimePoint now = Clock::now();
    try {
        m_pumpTimer.WakeAt(Advance(step, now), now);
    } catch (const LinkError&) {
        // Nobody is sending right now; the device's own call tells the owner.
        m_pumpTimer.Stop();
    }
}

void PacedDevice::Drain(std::function<void()> released) {
    if (m_draining) {
        // Closed again before it could be opened anew: what was sent meanwhile follows
        // what it still drains, and both are told once it is done.
        m_released = [first = std::move(m_released), then = std::move(released)] {
            if (first) {
                first();
            }
            if (then) {
                then();
            }
        };
        StartDrain(Clock::now());
        return;
    }
    m_released = std::move(released);
    if (!m_device.Healthy()) {
        m_draining = true;
        Release();
        return;
    }
    StartDrain(Clock::now());
    // At once, not from the event loop: a quiet line lets the device go before this
    // returns, so it can be opened again straight away.
    PumpFromEventLoop(&Transmitter::Pump);
}

void PacedDevice::StartDrain(TimePoint now) {
    m_draining = true;
    m_pending.TakeAll(m_source, now);
    const LinePacer& pacer = m_transmitter->Pacer();
    const auto backlog = static_cast<LinePacer::Duration::rep>(m_pending.Backlog() +
                                                               m_transmitter->Refused() + Holds());
    m_deadline =
        std::max(now, pacer.IdleTime()) + pacer.ByteTime() * backlog * kDrainMargin + kDrainSlack;
}

std::optional<PacedDevice::TimePoint> PacedDevice::Advance(PumpStep step, TimePoint now) {
    if (m_draining && now >= m_deadline) {
        // A line that does not move: what is left goes with the device.
        Release();
        return std::nullopt;
    }
    FrameSource& source = m_draining ? m_pending : m_source;
    const std::optional<TimePoint> next = ((*m_transmitter).*step)(source, *this, now);
    if (!m_draining || m_pending.Backlog() > 0 || m_transmitter->Refused() > 0) {
        return next;
    }
    // Letting the device go puts back the settings it had before, so what the driver and
    // the wire still hold must be gone first.
    if (!m_transmitter->LineIdle(*this, now)) {
        const LinePacer& pacer = m_transmitter->Pacer();
        return std::max(pacer.IdleTime(),
                        now + pacer.ByteTime() * static_cast<LinePacer::Duration::rep>(
                                                     std::max<std::size_t>(Holds(), 1)));
    }
    Release();
    return std::nullopt;
}

void PacedDevice::Release() {
    m_pumpTimer.Stop();
    m_device.Release();
    if (m_draining) {
        m_draining = false;
        if (std::function<void()> released = std::exchange(m_released, nullptr)) {
            released();
        }
    }
}

std::size_t PacedDevice::Accept(std::span<const protocol::Byte> bytes) {
    return m_device.Write(bytes);
}

std::size_t PacedDevice::Holds() const {
    return m_device.Holds();
}

void PacedDevice::OnDeviceLost(const LinkError& fault) {
    m_pumpTimer.Stop();
    m_transmitter->Clear();
    if (m_draining) {
        // What was left to drain goes with the device; the drain is over.
        Release();
        return;
    }
    m_owner.OnDeviceLost(fault);
}

}  // namespace dimrix::serial
