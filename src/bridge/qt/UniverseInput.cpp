#include "bridge/qt/UniverseInput.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>

namespace dimrix::bridge {

namespace {

// The CID as sACN tools print it, for a source that names itself no better.
std::string CidText(const SourceKey::Cid& cid) {
    constexpr std::array kGroupEnds{4U, 6U, 8U, 10U};
    std::string text;
    for (std::size_t i = 0; i < cid.size(); ++i) {
        if (std::ranges::find(kGroupEnds, i) != kGroupEnds.end()) {
            text += '-';
        }
        std::array<char, 3> hex{};
        std::snprintf(hex.data(), hex.size(), "%02x", cid[i]);
        text += hex.data();
    }
    return text;
}

// The sender of Art-Net data: its address.
std::string SenderText(const SourceKey::Cid& id) {
    return std::to_string(id[0]) + '.' + std::to_string(id[1]) + '.' + std::to_string(id[2]) + '.' +
           std::to_string(id[3]);
}

}  // namespace

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
        return text + "Art-Net source " + SenderText(key.Id());
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
    return text + CidText(key.Id());
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
