#include "bridge/qt/LineOutput.h"

#include <algorithm>
#include <string>
#include <utility>

#include "serial/ErrorWords.h"

namespace dimrix::bridge {

LineOutput::LineOutput(LinePatch patch, const serial::LineSettings& settings, const BridgeLog& log)
    : m_patch(std::move(patch)), m_settings(settings), m_log(log), m_scheduler(settings) {
    m_reopen->setInterval(kReopenPeriod);
    QObject::connect(m_reopen.get(), &QTimer::timeout, m_reopen.get(), [this] { TryReopen(); });
}

LineOutput::~LineOutput() = default;

void LineOutput::Open() {
    m_device.Open(m_patch.Device(), m_settings, serial::SerialDevice::Direction::Transmit);
}

void LineOutput::Show(std::span<const std::uint8_t> slots) {
    if (m_stopping) {
        return;
    }
    m_scheduler.SetDesired(m_patch.LevelsFrom(slots));
    // At once, not from the event loop: on an idle line the frame is on the wire before
    // the next datagram is read.
    Pump();
}

void LineOutput::Stop(std::function<void()> done) {
    m_stopping = true;
    m_stopped = std::move(done);
    m_reopen->stop();
    m_drainDeadline = Clock::now() + kDrainDeadline;
    Pump();
}

void LineOutput::Pump() {
    if (!m_device.Healthy()) {
        if (m_stopping) {
            Finish();
        }
        return;
    }
    const Clock::time_point now = Clock::now();
    std::optional<Clock::time_point> wake;
    try {
        wake = m_scheduler.Pump(*this, now);
    } catch (const serial::LinkError&) {
        // The device's listener call follows from the event loop, and says why.
        m_pump.Stop();
        return;
    }
    if (m_stopping) {
        if (now >= m_drainDeadline) {
            Finish();
            return;
        }
        if (m_scheduler.Settled() || !m_scheduler.HasDesired()) {
            // Only refreshes would follow; the device's settings go back once the wire
            // is quiet, or the last frame would leave at whatever they were.
            if (m_scheduler.LineIdle(*this, now)) {
                Finish();
                return;
            }
            wake = std::max(m_scheduler.IdleTime(),
                            now + LineScheduler::Clock::duration(std::chrono::milliseconds(1)));
        }
    }
    m_pump.WakeAt(wake, now);
}

void LineOutput::Finish() {
    m_pump.Stop();
    m_device.Release();
    if (std::function<void()> done = std::exchange(m_stopped, nullptr)) {
        done();
    }
}

void LineOutput::TryReopen() {
    try {
        Open();
    } catch (const serial::LinkError&) {
        // Still away; its going was logged once.
        return;
    }
    m_reopen->stop();
    m_log.Status(m_patch.Device() + ": line back; sending every board");
    m_scheduler.ResendAll();
    Pump();
}

std::size_t LineOutput::Accept(std::span<const protocol::Byte> bytes) {
    return m_device.Write(bytes);
}

std::size_t LineOutput::Holds() const {
    return m_device.Holds();
}

void LineOutput::OnDeviceLost(const serial::LinkError& fault) {
    m_pump.Stop();
    m_scheduler.Clear();
    std::string text = m_patch.Device() + ": line lost: " + fault.what();
    if (const std::string_view meaning = serial::ErrorWords::Meaning(fault.Number());
        !meaning.empty()) {
        text += " (" + std::string(meaning) + ")";
    }
    if (m_stopping) {
        m_log.Status(text);
        Finish();
        return;
    }
    m_log.Status(text + "; opening it again every second");
    m_reopen->start();
}

}  // namespace dimrix::bridge
