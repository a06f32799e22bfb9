#include "bridge/SourceMerger.h"

#include <algorithm>

namespace dimrix::bridge {

namespace {

// `from`, slot 1 first, with every slot past it 0, each at most `limit`.
void Take(SourceMerger::Slots& into, std::span<const std::uint8_t> from, std::uint8_t limit) {
    into.fill(0);
    const std::size_t count = std::min(from.size(), into.size());
    std::transform(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(count), into.begin(),
                   [limit](std::uint8_t value) { return std::min(value, limit); });
}

constexpr std::uint8_t kAnyLevel = 0xff;

bool IsConsole(const SourceMerger::Source& source) {
    return source.key.From() == SourceKey::Origin::Console;
}

}  // namespace

SourceMerger::SourceMerger(LossPolicy policy, MergeListener* listener)
    : m_policy(policy), m_listener(listener) {
    m_sources.reserve(kMaxSources + 1);
    m_pending.reserve(kMaxSources);
    m_drivers.fill(kNoDriver);
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
                        .content = packet.StartCode() == SacnPacket::kSlotPriorityStartCode
                                       ? Content::SlotPriorities
                                       : Content::Levels,
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
                        .content = Content::Levels,
                        .slots = packet.Slots()},
                   now);
}

bool SourceMerger::Receive(const Data& data, TimePoint now) {
    bool changed = Expire(now);
    if (data.key.From() == SourceKey::Origin::Console) {
        return changed;  // the console comes in through SetConsole alone
    }
    const std::optional<std::size_t> present = IndexOf(m_sources, data.key);
    const std::optional<std::size_t> pending = IndexOf(m_pending, data.key);
    if (data.terminated) {
        // Its last data is not merged: the source is released at once.
        if (present) {
            Release(*present, SourceLoss::Terminated, now);
            changed = Remerge() || changed;
        } else if (pending) {
            m_pending.erase(m_pending.begin() + static_cast<std::ptrdiff_t>(*pending));
        }
        return changed;
    }
    Source* known = present ? &m_sources[*present] : pending ? &m_pending[*pending] : nullptr;
    if (known != nullptr && data.sequenced && known->lastSequence) {
        const auto behind = static_cast<std::int8_t>(data.sequence - *known->lastSequence);
        if (behind <= 0 && behind > -kLateWindow) {
            ++m_dropped.late;
            ++known->lateDropped;
            return changed;
        }
    }
    Source* source = nullptr;
    if (data.content == Content::SlotPriorities) {
        source = present ? &m_sources[*present] : pending ? &m_pending[*pending] : Pend(data);
    } else {
        source = present ? &m_sources[*present] : Admit(data, pending);
    }
    if (source == nullptr) {
        return changed;
    }
    if (data.sequenced) {
        source->lastSequence = data.sequence;
    }
    ++source->packetsMerged;
    if (data.content == Content::SlotPriorities) {
        Take(source->slotPriorities, data.slots, kMaxPriority);
        source->slotPrioritiesSeen = now;
        // Until levels come, the source drives nothing.
        return present ? Remerge() || changed : changed;
    }
    source->priority = data.priority;
    source->lastSeen = now;
    Take(source->levels, data.slots, kAnyLevel);
    return Remerge() || changed;
}

bool SourceMerger::SetConsole(std::span<const std::uint8_t> levels,
                              std::span<const std::uint8_t> priorities, TimePoint now) {
    const bool expired = Expire(now);
    const std::optional<std::size_t> index = IndexOf(m_sources, SourceKey::Console());
    Source& console = index ? m_sources[*index] : m_sources.emplace_back(SourceKey::Console());
    Take(console.levels, levels, kAnyLevel);
    Take(console.slotPriorities, priorities, kMaxPriority);
    console.slotPrioritiesSeen = now;
    console.lastSeen = now;
    ++console.packetsMerged;
    return Remerge() || expired;
}

bool SourceMerger::ReleaseConsole(TimePoint now) {
    const bool expired = Expire(now);
    const std::optional<std::size_t> index = IndexOf(m_sources, SourceKey::Console());
    if (!index) {
        return expired;
    }
    m_sources.erase(m_sources.begin() + static_cast<std::ptrdiff_t>(*index));
    return Remerge() || expired;
}

std::optional<std::size_t> SourceMerger::IndexOf(const SourceList& sources, const SourceKey& key) {
    const auto found = std::ranges::find(sources, key, &Source::key);
    if (found == sources.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - sources.begin());
}

SourceMerger::Source* SourceMerger::Admit(const Data& data, std::optional<std::size_t> pending) {
    const bool artNet = data.key.From() == SourceKey::Origin::ArtNet;
    if (artNet && ArtNetCount() >= kMaxArtNetSources) {
        ++m_dropped.thirdArtNet;
        if (!m_artNetRefusalTold && m_listener != nullptr) {
            m_listener->OnSourceRefused(data.key, SourceRefusal::ThirdArtNet);
        }
        m_artNetRefusalTold = true;
        return nullptr;
    }
    if (NetworkCount() >= kMaxSources) {
        ++m_dropped.noRoom;
        if (!m_capacityRefusalTold && m_listener != nullptr) {
            m_listener->OnSourceRefused(data.key, SourceRefusal::TooManySources);
        }
        m_capacityRefusalTold = true;
        return nullptr;
    }
    // Its per-slot priorities, come first, hold from its first levels on.
    if (pending) {
        m_sources.push_back(m_pending[*pending]);
        m_pending.erase(m_pending.begin() + static_cast<std::ptrdiff_t>(*pending));
    } else {
        m_sources.emplace_back(data.key);
    }
    Source& source = m_sources.back();
    source.nameLength = std::min(data.name.size(), source.name.size());
    std::copy_n(data.name.begin(), source.nameLength, source.name.begin());
    if (m_listener != nullptr) {
        m_listener->OnSourceAppeared(source.key, source.Name(), data.priority);
    }
    return &source;
}

SourceMerger::Source* SourceMerger::Pend(const Data& data) {
    if (m_pending.size() >= kMaxSources) {
        ++m_dropped.noRoom;
        return nullptr;
    }
    return &m_pending.emplace_back(data.key);
}

void SourceMerger::Release(std::size_t index, SourceLoss why, TimePoint now) {
    const SourceKey key = m_sources[index].key;
    const std::array<char, SacnPacket::kSourceNameSize> name = m_sources[index].name;
    const std::string_view goneName(name.data(), m_sources[index].nameLength);
    m_sources.erase(m_sources.begin() + static_cast<std::ptrdiff_t>(index));
    if (ArtNetCount() < kMaxArtNetSources) {
        m_artNetRefusalTold = false;
    }
    if (NetworkCount() < kMaxSources) {
        m_capacityRefusalTold = false;
    }
    const bool allGone = NetworkCount() == 0;
    if (allGone) {
        m_lastLossAt = now;
    }
    if (m_listener != nullptr) {
        m_listener->OnSourceGone(key, goneName, why);
        if (allGone) {
            m_listener->OnAllSourcesGone();
        }
    }
}

bool SourceMerger::Expire(TimePoint now) {
    bool changed = false;
    for (std::size_t index = m_sources.size(); index-- > 0;) {
        Source& source = m_sources[index];
        if (IsConsole(source)) {
            continue;
        }
        if (now - source.lastSeen >= kSourceTimeout) {
            Release(index, SourceLoss::Timeout, now);
            changed = true;
        } else if (source.slotPrioritiesSeen &&
                   now - *source.slotPrioritiesSeen >= kSlotPriorityTimeout) {
            source.slotPrioritiesSeen.reset();
            changed = true;
        }
    }
    std::erase_if(m_pending, [now](const Source& source) {
        return now - *source.slotPrioritiesSeen >= kSlotPriorityTimeout;
    });
    return changed && Remerge();
}

std::optional<SourceMerger::TimePoint> SourceMerger::NextExpiry() const {
    std::optional<TimePoint> next;
    const auto consider = [&next](TimePoint due) {
        if (!next || due < *next) {
            next = due;
        }
    };
    for (const Source& source : m_sources) {
        if (IsConsole(source)) {
            continue;
        }
        consider(source.lastSeen + kSourceTimeout);
        if (source.slotPrioritiesSeen) {
            consider(*source.slotPrioritiesSeen + kSlotPriorityTimeout);
        }
    }
    for (const Source& source : m_pending) {
        consider(*source.slotPrioritiesSeen + kSlotPriorityTimeout);
    }
    return next;
}

std::optional<SourceMerger::LossEvent> SourceMerger::LastLoss() const {
    if (!m_lastLossAt) {
        return std::nullopt;
    }
    return LossEvent{.applied = m_policy, .at = *m_lastLossAt, .lasting = NetworkCount() == 0};
}

std::size_t SourceMerger::NetworkCount() const {
    return static_cast<std::size_t>(
        std::ranges::count_if(m_sources, [](const Source& source) { return !IsConsole(source); }));
}

std::size_t SourceMerger::ArtNetCount() const {
    return static_cast<std::size_t>(std::ranges::count_if(m_sources, [](const Source& source) {
        return source.key.From() == SourceKey::Origin::ArtNet;
    }));
}

bool SourceMerger::Remerge() {
    const bool network = NetworkCount() > 0;
    if (!network && m_sources.empty() && !m_hasLook) {
        return false;
    }
    // With no source present, the console lies over what the loss policy left.
    Slots look = !network && m_policy == LossPolicy::Hold ? m_held : Slots{};
    Slots networkLook{};
    Drivers drivers;
    drivers.fill(kNoDriver);
    std::array<int, SacnPacket::kMaxSlots> top;
    top.fill(Source::kNotDriving);
    std::array<int, SacnPacket::kMaxSlots> networkTop = top;
    for (std::size_t index = 0; index < m_sources.size(); ++index) {
        const Source& source = m_sources[index];
        const bool console = IsConsole(source);
        for (std::size_t slot = 0; slot < look.size(); ++slot) {
            const int priority = source.DrivingPriority(slot);
            if (priority == Source::kNotDriving) {
                continue;
            }
            const std::uint8_t level = source.levels[slot];
            if (priority > top[slot] || (priority == top[slot] && level > look[slot])) {
                top[slot] = priority;
                look[slot] = level;
                drivers[slot] = static_cast<std::uint8_t>(index);
            }
            if (!console && (priority > networkTop[slot] ||
                             (priority == networkTop[slot] && level > networkLook[slot]))) {
                networkTop[slot] = priority;
                networkLook[slot] = level;
            }
        }
    }
    if (network) {
        m_held = networkLook;
    }
    m_drivers = drivers;
    const bool changed = !m_hasLook || look != m_look;
    m_look = look;
    m_hasLook = true;
    return changed;
}

}  // namespace dimrix::bridge
