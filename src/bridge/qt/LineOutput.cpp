#include "bridge/qt/LineOutput.h"

#include <string>
#include <utility>

#include "serial/ErrorWords.h"

namespace dimrix::bridge {

LineOutput::LineOutput(LinePatch patch, const serial::LineSettings& settings, const BridgeLog& log)
    : m_patch(std::move(patch)), m_settings(settings), m_log(log) {
    // A flash's 250 ms halves, on time.
    m_flashStep->setSingleShot(true);
    m_flashStep->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_flashStep.get(), &QTimer::timeout, m_flashStep.get(), [this] {
        if (!m_stopping) {
            Carry();
        }
    });
}

void LineOutput::Open() {
    m_line.Open(m_patch.Device(), m_settings);
}

void LineOutput::Show(std::span<const std::uint8_t> slots) {
    if (m_stopping) {
        return;
    }
    m_merged = m_patch.LevelsFrom(slots);
    Carry();
}

void LineOutput::Identify(protocol::Address board) {
    if (m_stopping) {
        return;
    }
    m_flash.Start(board, IdentifyFlash::Clock::now());
    Carry();
}

void LineOutput::Carry() {
    const IdentifyFlash::TimePoint now = IdentifyFlash::Clock::now();
    m_scheduler.SetDesired(m_flash.Over(m_merged, now));
    if (const std::optional<IdentifyFlash::TimePoint> next = m_flash.NextChange(now)) {
        m_flashStep->start(std::chrono::ceil<std::chrono::milliseconds>(*next - now));
    }
    // At once, not from the event loop: on an idle line the frame is on the wire before
    // the next datagram is read.
    try {
        m_line.Pump();
    } catch (const serial::LinkError&) {
        // The line tells of the loss from the event loop, and says why.
    }
}

void LineOutput::Stop(std::function<void()> done) {
    m_stopping = true;
    m_reopener.Stop();
    m_line.Close(std::move(done));
}

void LineOutput::OnBack() {
    m_lostSince.reset();
    m_backAt = std::chrono::steady_clock::now();
    m_log.Status(m_patch.Device() + ": line back; sending every board");
    m_scheduler.ResendAll();
    try {
        m_line.Pump();
    } catch (const serial::LinkError&) {
        // Gone again; the line says so.
    }
}

void LineOutput::OnDeviceLost(const serial::LinkError& fault) {
    m_lostSince = std::chrono::system_clock::now();
    m_scheduler.Clear();
    std::string text = m_patch.Device() + ": line lost: " + fault.what();
    if (const std::string_view meaning = serial::ErrorWords::Meaning(fault.Number());
        !meaning.empty()) {
        text += " (" + std::string(meaning) + ")";
    }
    m_log.Status(text + "; opening it again every second");
    m_reopener.Start();
}

}  // namespace dimrix::bridge
