#include "bridge/qt/UniverseInput.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>

namespace dimrix::bridge {

UniverseInput::UniverseInput(std::uint16_t universe, SourceMerger::LossPolicy loss,
                             const BridgeLog& log)
    : m_universe(universe),
      m_artNet(ArtNetAddress::FromSacnUniverse(universe)),
      m_loss(loss),
      m_log(log),
      m_merger(loss, this) {
    m_expiry->setSingleShot(true);
    QObject::connect(m_expiry.get(), &QTimer::timeout, m_expiry.get(), [this] { Expire(); });
}

UniverseInput::~UniverseInput() = default;

void UniverseInput::Receive(const SacnPacket& packet, Clock::time_point now) {
    Deliver(m_merger.Receive(packet, now));
    ArmExpiry(now);
}

void UniverseInput::Receive(const ArtNetPacket& packet, const SourceKey& sender,
                            Clock::time_point now) {
    Deliver(m_merger.Receive(packet, sender, now));
    ArmExpiry(now);
}

void UniverseInput::DriveConsole(std::span<const std::uint8_t> levels,
                                 std::span<const std::uint8_t> priorities) {
    const Clock::time_point now = Clock::now();
    Deliver(m_merger.SetConsole(levels, priorities, now));
    ArmExpiry(now);
}

void UniverseInput::ReleaseConsole() {
    const Clock::time_point now = Clock::now();
    Deliver(m_merger.ReleaseConsole(now));
    ArmExpiry(now);
}

void UniverseInput::Deliver(bool changed) {
    if (!changed || !m_merger.HasLook()) {
        return;
    }
    for (LineOutput* line : m_lines) {
        line->Show(m_merger.Look());
    }
}

void UniverseInput::ArmExpiry(Clock::time_point now) {
    const std::optional<Clock::time_point> due = m_merger.NextExpiry();
    if (!due) {
        m_expiry->stop();
        return;
    }
    // A source's timeout is seconds long: the coarse timer's few milliseconds late do not
    // matter, and it costs less to keep armed.
    m_expiry->start(std::max(std::chrono::ceil<std::chrono::milliseconds>(*due - now),
                             std::chrono::milliseconds::zero()));
}

void UniverseInput::Expire() {
    const Clock::time_point now = Clock::now();
    Deliver(m_merger.Expire(now));
    ArmExpiry(now);
}

std::string UniverseInput::Named(const SourceKey& key, std::string_view name) const {
    std::string text = "universe " + std::to_string(m_universe) + ": ";
    if (key.From() == SourceKey::Origin::ArtNet) {
        return text + "Art-Net source " + key.Text();
    }
    text += "sACN source ";
    if (!name.empty()) {
        text += '"';
        // The name as sent; control characters would break the line a journal shows.
        for (const char c : name) {
            text += static_cast<unsigned char>(c) < ' ' ? '?' : c;
        }
        text += "\" ";
    }
    return text + key.Text();
}

void UniverseInput::OnSourceAppeared(const SourceKey& key, std::string_view name, int priority) {
    m_log.Event(Named(key, name) + " appeared, priority " + std::to_string(priority));
}

void UniverseInput::OnSourceGone(const SourceKey& key, std::string_view name, SourceLoss why) {
    if (why == SourceLoss::Terminated) {
        m_log.Event(Named(key, name) + " stopped");
        return;
    }
    std::array<char, 16> seconds{};
    std::snprintf(seconds.data(), seconds.size(), "%.1f",
                  std::chrono::duration<double>(SourceMerger::kSourceTimeout).count());
    m_log.Event(Named(key, name) + " gone (no data for " + seconds.data() + " s)");
}

void UniverseInput::OnAllSourcesGone() {
    m_log.Status(
        "universe " + std::to_string(m_universe) + ": every source gone; " +
        (m_loss == SourceMerger::LossPolicy::Hold ? "holding the last look" : "sending All OFF"));
}

void UniverseInput::OnSourceRefused(const SourceKey& key, SourceRefusal why) {
    m_log.Event(Named(key, {}) + (why == SourceRefusal::ThirdArtNet
                                      ? " ignored: two Art-Net sources already send it"
                                      : " ignored: the universe has as many sources as it takes"));
}

}  // namespace dimrix::bridge
