#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "bridge/ArtNetPacket.h"
#include "bridge/MergeListener.h"
#include "bridge/SacnPacket.h"
#include "bridge/SourceKey.h"

namespace dimrix::bridge {

// The look of one universe, merged from every source that sends it. The highest priority
// present wins; sources of equal priority merge slot by slot, highest level taking
// precedence. A source counts until it says it stops or falls silent for 2.5 s, so a
// source that sends only on change keeps its look meanwhile.
class SourceMerger {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Slots = std::array<std::uint8_t, SacnPacket::kMaxSlots>;

    // What the universe shows once every source is gone.
    enum class LossPolicy {
        Hold,  // the last look stays, until a source is back
        Off,   // everything at 0
    };

    static constexpr std::chrono::milliseconds kSourceTimeout{2500};
    // Art-Net has no priority; its sources rank as an sACN source of the default.
    static constexpr std::uint8_t kArtNetPriority = 100;
    static constexpr std::size_t kMaxArtNetSources = 2;
    // Bounds what a flood of made-up CIDs can cost.
    static constexpr std::size_t kMaxSources = 16;
    // A packet this close behind the last one (or a repeat of it) arrived late: dropped.
    static constexpr int kLateWindow = 20;

    // One packet's worth of data from any source.
    struct Data {
        SourceKey key;
        // Empty for Art-Net, which names no source in its data.
        std::string_view name;
        std::uint8_t priority = kArtNetPriority;
        std::uint8_t sequence = 0;
        // Whether `sequence` numbers the packets (Art-Net's 0 does not).
        bool sequenced = true;
        bool terminated = false;
        std::span<const std::uint8_t> slots;
    };

    // @param listener told of sources coming and going; may be null, and must outlive
    //                 the merger otherwise
    explicit SourceMerger(LossPolicy policy, MergeListener* listener = nullptr);

    // Merges one packet and returns whether the look changed. Sources silent too long
    // by `now` go first.
    bool Receive(const Data& data, TimePoint now);
    // An sACN packet of this universe; anything but data is ignored.
    bool Receive(const SacnPacket& packet, TimePoint now);
    // An Art-Net packet of this universe from `sender`; anything but ArtDmx is ignored.
    bool Receive(const ArtNetPacket& packet, const SourceKey& sender, TimePoint now);
    // Lets the sources go that have been silent for too long by `now`; returns whether the
    // look changed. Due at NextExpiry.
    bool Expire(TimePoint now);
    // When the next source falls silent for too long, if none sends by then.
    [[nodiscard]] std::optional<TimePoint> NextExpiry() const;

    // Whether any data has been merged yet; until then the line stays untouched.
    [[nodiscard]] bool HasLook() const { return m_hasLook; }
    // The merged slots, slot 1 first.
    [[nodiscard]] const Slots& Look() const { return m_look; }
    [[nodiscard]] std::size_t SourceCount() const { return m_sources.size(); }
    // Packets dropped because they arrived late.
    [[nodiscard]] std::size_t LateDropped() const { return m_lateDropped; }

private:
    struct Source {
        explicit Source(const SourceKey& sourceKey) : key(sourceKey) {}

        SourceKey key;
        std::array<char, SacnPacket::kSourceNameSize> name{};
        std::size_t nameLength = 0;
        std::uint8_t priority = 0;
        std::optional<std::uint8_t> lastSequence;
        TimePoint lastSeen{};
        Slots slots{};

        [[nodiscard]] std::string_view Name() const { return {name.data(), nameLength}; }
    };

    Source* Find(const SourceKey& key);
    Source* Admit(const Data& data);
    void Release(std::size_t index, SourceLoss why);
    bool Remerge();
    [[nodiscard]] std::size_t ArtNetCount() const;

    LossPolicy m_policy = LossPolicy::Hold;
    MergeListener* m_listener = nullptr;
    std::vector<Source> m_sources;
    Slots m_look{};
    bool m_hasLook = false;
    // A refusal already told, and not ended since.
    bool m_artNetRefusalTold = false;
    bool m_capacityRefusalTold = false;
    std::size_t m_lateDropped = 0;
};

}  // namespace dimrix::bridge
