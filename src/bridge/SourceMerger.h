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

// The look of one universe, merged from every source that sends it, slot by slot.
//
// A source drives every slot at the priority of its level packets, 0 included, until it
// sends per-slot priorities (sACN start code 0xDD): from then on it drives each slot at
// that slot's priority, and not at all where that is 0 or past the packet's last slot.
// Per-slot priorities not renewed for 2.5 s fall back to the packets' priority. Each slot
// shows the highest priority among the sources driving it; sources of equal priority
// there merge highest level first; a slot no present source drives is 0.
//
// A source is present from its first levels (start code 0) until it says it stops or its
// levels stop for 2.5 s, so a source that sends only on change keeps its look meanwhile.
// Per-slot priorities alone make no source present, and drive nothing until levels come.
// Once no source is present, the loss policy says what the universe shows.
//
// The bridge's own console (SetConsole) is one more source, never refused for lack of
// room, never timed out, driving only the slots it gives a priority; it is not told
// through MergeListener, and does not count as present for the loss policy: with no
// other source, its slots lie over what the policy left.
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

    // What one packet carries.
    enum class Content : std::uint8_t {
        Levels,          // sACN start code 0, or ArtDmx
        SlotPriorities,  // sACN start code 0xDD
    };

    static constexpr std::chrono::milliseconds kSourceTimeout{2500};
    static constexpr std::chrono::milliseconds kSlotPriorityTimeout{2500};
    static constexpr std::uint8_t kMaxPriority = SacnPacket::kMaxPriority;
    // Art-Net has no priority; its sources rank as an sACN source of the default.
    static constexpr std::uint8_t kArtNetPriority = 100;
    static constexpr std::size_t kMaxArtNetSources = 2;
    // Bounds what a flood of made-up CIDs can cost: present sources, and as many again
    // that have sent per-slot priorities only. The console comes on top.
    static constexpr std::size_t kMaxSources = 16;
    // A packet this close behind the last one of its source (or a repeat of it), whatever
    // it carries, arrived late: dropped.
    static constexpr int kLateWindow = 20;
    // In SlotDrivers: no source drives the slot.
    static constexpr std::uint8_t kNoDriver = 0xff;

    // One packet's worth of data from any source.
    struct Data {
        SourceKey key;
        // Empty for Art-Net, which names no source in its data.
        std::string_view name;
        std::uint8_t priority = kArtNetPriority;
        std::uint8_t sequence = 0;
        // Whether `sequence` numbers the packets (Art-Net's 0 does not).
        bool sequenced = true;
        // Ends the source's stream, whatever the packet carries.
        bool terminated = false;
        Content content = Content::Levels;
        // Levels, or per-slot priorities 0 to 200, slot 1 first.
        std::span<const std::uint8_t> slots;
    };

    // What the merge knows of one source, for a status page to read.
    struct Source {
        explicit Source(const SourceKey& sourceKey) : key(sourceKey) {}

        // Where a source does not drive a slot, DrivingPriority says this.
        static constexpr int kNotDriving = -1;

        // Its origin is the protocol it speaks.
        SourceKey key;
        std::array<char, SacnPacket::kSourceNameSize> name{};
        std::size_t nameLength = 0;
        // The priority of its level packets.
        std::uint8_t priority = 0;
        // One counter for every packet of the source, whatever it carries.
        std::optional<std::uint8_t> lastSequence;
        // Its last levels (the console: its last change).
        TimePoint lastSeen{};
        // When its per-slot priorities came, while they are fresh.
        std::optional<TimePoint> slotPrioritiesSeen;
        std::uint64_t packetsMerged = 0;
        // Its packets dropped as late (DropCounts::late counts every source's).
        std::uint64_t lateDropped = 0;
        Slots levels{};
        Slots slotPriorities{};

        [[nodiscard]] std::string_view Name() const { return {name.data(), nameLength}; }
        [[nodiscard]] bool SendsSlotPriorities() const { return slotPrioritiesSeen.has_value(); }
        [[nodiscard]] int DrivingPriority(std::size_t slot) const {
            if (!SendsSlotPriorities()) {
                return priority;
            }
            return slotPriorities[slot] == 0 ? kNotDriving : slotPriorities[slot];
        }
    };

    // For each slot, the index in Sources() of the source that drives it, or kNoDriver.
    using Drivers = std::array<std::uint8_t, SacnPacket::kMaxSlots>;

    // Packets not merged, by why.
    struct DropCounts {
        std::uint64_t late = 0;         // behind their source's last sequence number
        std::uint64_t thirdArtNet = 0;  // from a third Art-Net source
        std::uint64_t noRoom = 0;       // from a new source while the universe was full
    };

    // What the loss policy did when the last source went.
    struct LossEvent {
        LossPolicy applied = LossPolicy::Hold;
        TimePoint at{};
        // No source has come back since.
        bool lasting = false;
    };

    // @param listener told of sources coming and going; may be null, and must outlive
    //                 the merger otherwise
    explicit SourceMerger(LossPolicy policy, MergeListener* listener = nullptr);

    // Merges one packet and returns whether the look changed. Sources and per-slot
    // priorities too old by `now` go first.
    bool Receive(const Data& data, TimePoint now);
    // An sACN packet of this universe; anything but data is ignored.
    bool Receive(const SacnPacket& packet, TimePoint now);
    // An Art-Net packet of this universe from `sender`; anything but ArtDmx is ignored.
    bool Receive(const ArtNetPacket& packet, const SourceKey& sender, TimePoint now);

    // The console's levels and per-slot priorities (0 to 200, 0 releasing the slot, above
    // 200 taken as 200), slot 1 first; slots past either span are released. Returns
    // whether the look changed.
    bool SetConsole(std::span<const std::uint8_t> levels, std::span<const std::uint8_t> priorities,
                    TimePoint now);
    // The console releases every slot and leaves the merge; returns whether the look
    // changed.
    bool ReleaseConsole(TimePoint now);

    // Lets the sources go whose levels stopped too long before `now`, and per-slot
    // priorities fall back that were not renewed; returns whether the look changed. Due
    // at NextExpiry.
    bool Expire(TimePoint now);
    // When the next source or per-slot priorities grow too old, if none is renewed.
    [[nodiscard]] std::optional<TimePoint> NextExpiry() const;

    // Whether any levels have been merged yet; until then the line stays untouched.
    [[nodiscard]] bool HasLook() const { return m_hasLook; }
    // The merged slots, slot 1 first.
    [[nodiscard]] const Slots& Look() const { return m_look; }

    // For a status page; each is a view of the merge's own state, valid until the next
    // call that is not const.
    // The present sources and the console, in the order they came.
    [[nodiscard]] std::span<const Source> Sources() const { return m_sources; }
    // Which of them drives each slot of the look.
    [[nodiscard]] const Drivers& SlotDrivers() const { return m_drivers; }
    [[nodiscard]] const DropCounts& Dropped() const { return m_dropped; }
    // Nothing before the first source went.
    [[nodiscard]] std::optional<LossEvent> LastLoss() const;

private:
    using SourceList = std::vector<Source>;

    static std::optional<std::size_t> IndexOf(const SourceList& sources, const SourceKey& key);
    Source* Admit(const Data& data, std::optional<std::size_t> pending);
    Source* Pend(const Data& data);
    void Release(std::size_t index, SourceLoss why, TimePoint now);
    bool Remerge();
    [[nodiscard]] std::size_t NetworkCount() const;
    [[nodiscard]] std::size_t ArtNetCount() const;

    LossPolicy m_policy = LossPolicy::Hold;
    MergeListener* m_listener = nullptr;
    // Present sources and the console.
    SourceList m_sources;
    // Sources that sent per-slot priorities but no levels yet.
    SourceList m_pending;
    Slots m_look{};
    // What the network sources alone showed last: the look the hold policy keeps.
    Slots m_held{};
    Drivers m_drivers{};
    bool m_hasLook = false;
    // A refusal already told, and not ended since.
    bool m_artNetRefusalTold = false;
    bool m_capacityRefusalTold = false;
    DropCounts m_dropped;
    std::optional<TimePoint> m_lastLossAt;
};

}  // namespace dimrix::bridge
