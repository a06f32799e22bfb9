// Any datagram at all through both readers and into a merge: nothing may read outside
// it, and whatever a reader accepts must hold to the limits it promises.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "bridge/ArtNetPacket.h"
#include "bridge/LinePatch.h"
#include "bridge/SacnPacket.h"
#include "bridge/SourceMerger.h"

namespace {

using dimrix::bridge::ArtNetAddress;
using dimrix::bridge::ArtNetPacket;
using dimrix::bridge::LinePatch;
using dimrix::bridge::SacnPacket;
using dimrix::bridge::SourceKey;
using dimrix::bridge::SourceMerger;

using Slots = SourceMerger::Slots;

// The largest datagram the program reads off a socket.
constexpr std::size_t kMaxDatagram = 1500;
constexpr std::uint8_t kFull = 0xff;

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxDatagram) {
        return -1;  // not worth keeping in the corpus
    }
    const std::span<const std::uint8_t> datagram(data, size);
    const SourceMerger::TimePoint now{};
    SourceMerger merger(SourceMerger::LossPolicy::Off);
    const LinePatch patch("fuzz", LinePatch::kDefaultUniverse, LinePatch::kDefaultStart);

    const SacnPacket sacn(datagram);
    if (sacn.IsData()) {
        Require(sacn.Slots().size() <= SacnPacket::kMaxSlots);
        Require(sacn.SourceName().size() <= SacnPacket::kSourceNameSize);
        Require(sacn.Priority() <= SacnPacket::kMaxPriority);
        Require(sacn.Universe() >= SacnPacket::kFirstUniverse &&
                sacn.Universe() <= SacnPacket::kLastUniverse);
        const bool levels = sacn.StartCode() == SacnPacket::kDmxStartCode;
        const bool priorities = sacn.StartCode() == SacnPacket::kSlotPriorityStartCode;
        Require(levels || priorities || sacn.Terminated());
        merger.Receive(sacn, now);
        // Per-slot priorities alone drive nothing; a stream's end leaves nothing to drive.
        Require(merger.HasLook() == (levels && !sacn.Terminated()));
        if (priorities && !sacn.Terminated()) {
            // The same source's levels, every slot full: exactly the slots given a priority
            // show them.
            Slots full{};
            full.fill(kFull);
            merger.Receive(
                SourceMerger::Data{.key = SourceKey::FromCid(sacn.SourceCid()),
                                   .priority = sacn.Priority(),
                                   .sequence = static_cast<std::uint8_t>(sacn.Sequence() + 1),
                                   .slots = full},
                now);
            const auto given = sacn.Slots();
            Require(std::ranges::all_of(
                given, [](std::uint8_t priority) { return priority <= SacnPacket::kMaxPriority; }));
            for (std::size_t slot = 0; slot < full.size(); ++slot) {
                const bool driven = slot < given.size() && given[slot] > 0;
                Require(merger.Look()[slot] == (driven ? kFull : 0));
            }
        }
    } else {
        Require(sacn.Slots().empty() && sacn.SourceName().empty());
    }

    const ArtNetPacket artNet(datagram);
    if (artNet.Judged() == ArtNetPacket::Verdict::Dmx) {
        Require(!artNet.Slots().empty() && artNet.Slots().size() <= ArtNetPacket::kMaxSlots);
        Require(artNet.Address().PortAddress() <= ArtNetAddress::kMaxPortAddress);
        merger.Receive(artNet, SourceKey::FromArtNetSender({127, 0, 0, 1}), now);
        Require(merger.HasLook());
    } else {
        Require(artNet.Slots().empty());
    }

    for (const auto level : patch.LevelsFrom(merger.Look())) {
        Require(level >= dimrix::protocol::kMinLevel && level <= dimrix::protocol::kMaxLevel);
    }
    return 0;
}
