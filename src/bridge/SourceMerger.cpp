#include "bridge/SourceMerger.h"

#include <algorithm>

namespace dimrix::bridge {

SourceMerger::SourceMerger(LossPolicy policy, MergeListener* listener)
    : m_policy(policy), m_listener(listener) {
    m_sources.reserve(kMaxSources);
}

bool SourceMerger::Receive(const SacnPacket& packet, TimePoint now) {
    if (!packet.IsData()) {
        return false;
    }
    return Receive(Data{.key = SourceKey::FromCid(packet.SourceCid()),
                        .name = packet.SourceName(),
                        .priority = packet.Priority(),
                        .sequence = packet.Sequence(),
                        .sequenced = true,
                        .terminated = packet.Terminated(),
                        .slots = packet.Slots()},
                   now);
}

bool SourceMerger::Receive(const ArtNetPacket& packet, const SourceKey& sender, TimePoint now) {
    if (packet.Judged() != ArtNetPacket::Verdict::Dmx) {
        return false;
    }
    return Receive(Data{.key = sender,
                        .name = {},
                        .priority = kArtNetPriority,
                        .sequence = packet.Sequence(),
                        .sequenced = packet.Sequence() != ArtNetPacket::kUnsequenced,
                        .terminated = false,
                        .slots = packet.Slots()},
                   now);
}

bool SourceMerger::Receive(const Data& data, TimePoint now) {
    bool changed = Expire(now);
    Source* source = Find(data.key);
    if (data.terminated) {
        // Its last data is not merged: the source is released at once.
        if (source != nullptr) {
            Release(static_cast<std::size_t>(source - m_sources.data()), SourceLoss::Terminated);
            changed = Remerge() || changed;
        }
        return changed;
    }
    if (source != nullptr && data.sequenced && source->lastSequence) {
        const auto behind = static_cast<std::int8_t>(data.sequence - *source->lastSequence);
        if (behind <= 0 && behind > -kLateWindow) {
            ++m_lateDropped;
            return changed;
        }
    }
    if (source == nullptr) {
        source = Admit(data);
        if (source == nullptr) {
            return changed;
        }
    }
    if (data.sequenced) {
        source->lastSequence = data.sequence;
    }
    source->priority = data.priority;
    source->lastSeen = now;
    source->slots.fill(0);
    std::copy_n(data.slots.begin(), std::min(data.slots.size(), source->slots.size()),
                source->slots.begin());
    return Remerge() || changed;
}

SourceMerger::Source* SourceMerger::Find(const SourceKey& key) {
    const auto found = std::ranges::find(m_sources, key, &Source::key);
    return found == m_sources.end() ? nullptr : &*found;
}

SourceMerger::Source* SourceMerger::Admit(const Data& data) {
    const bool artNet = data.key.From() == SourceKey::Origin::ArtNet;
    if (artNet && ArtNetCount() >= kMaxArtNetSources) {
        if (!m_artNetRefusalTold && m_listener != nullptr) {
            m_listener->OnSourceRefused(data.key, SourceRefusal::ThirdArtNet);
        }
        m_artNetRefusalTold = true;
        return nullptr;
    }
    if (m_sources.size() >= kMaxSources) {
        if (!m_capacityRefusalTold && m_listener != nullptr) {
            m_listener->OnSourceRefused(data.key, SourceRefusal::TooManySources);
        }
        m_capacityRefusalTold = true;
        return nullptr;
    }
    Source& source = m_sources.emplace_back(data.key);
    source.nameLength = std::min(data.name.size(), source.name.size());
    std::copy_n(data.name.begin(), source.nameLength, source.name.begin());
    if (m_listener != nullptr) {
        m_listener->OnSourceAppeared(source.key, source.Name(), data.priority);
    }
    return &source;
}

void SourceMerger::Release(std::size_t index, SourceLoss why) {
    const Source gone = m_sources[index];
    m_sources.erase(m_sources.begin() + static_cast<std::ptrdiff_t>(index));
    if (ArtNetCount() < kMaxArtNetSources) {
        m_artNetRefusalTold = false;
    }
    if (m_sources.size() < kMaxSources) {
        m_capacityRefusalTold = false;
    }
    if (m_listener != nullptr) {
        m_listener->OnSourceGone(gone.key, gone.Name(), why);
        if (m_sources.empty()) {
            m_listener->OnAllSourcesGone();
        }
    }
}

bool SourceMerger::Expire(TimePoint now) {
    bool released = false;
    for (std::size_t index = m_sources.size(); index-- > 0;) {
        if (now - m_sources[index].lastSeen >= kSourceTimeout) {
            Release(index, SourceLoss::Timeout);
            released = true;
        }
    }
    return released && Remerge();
}

std::optional<SourceMerger::TimePoint> SourceMerger::NextExpiry() const {
    if (m_sources.empty()) {
        return std::nullopt;
    }
    return std::ranges::min(m_sources, {}, &Source::lastSeen).lastSeen + kSourceTimeout;
}

std::size_t SourceMerger::ArtNetCount() const {
    return static_cast<std::size_t>(std::ranges::count_if(m_sources, [](const Source& source) {
        return source.key.From() == SourceKey::Origin::ArtNet;
    }));
}

bool SourceMerger::Remerge() {
    Slots look{};
    if (m_sources.empty()) {
        if (!m_hasLook || m_policy == LossPolicy::Hold) {
            return false;
        }
    } else {
        const std::uint8_t top = std::ranges::max(m_sources, {}, &Source::priority).priority;
        for (const Source& source : m_sources) {
            if (source.priority != top) {
                continue;
            }
            for (std::size_t slot = 0; slot < look.size(); ++slot) {
                look[slot] = std::max(look[slot], source.slots[slot]);
            }
        }
    }
    const bool changed = !m_hasLook || look != m_look;
    m_look = look;
    m_hasLook = true;
    return changed;
}

}  // namespace dimrix::bridge
