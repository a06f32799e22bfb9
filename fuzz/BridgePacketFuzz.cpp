// Any datagram at all through both readers and into a merge: nothing may read outside
// it, and whatever a reader accepts must hold to the limits it promises.

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

using dimrix::bridge::ArtNetPacket;
using dimrix::bridge::LinePatch;
using dimrix::bridge::SacnPacket;
using dimrix::bridge::SourceKey;
using dimrix::bridge::SourceMerger;

// The largest datagram the program reads off a socket.
constexpr std::size_t kMaxDatagram = 1500;

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
        merger.Receive(sacn, now);
        Require(merger.HasLook() != sacn.Terminated());
    } else {
        Require(sacn.Slots().empty() && sacn.SourceName().empty());
    }

    const ArtNetPacket artNet(datagram);
    if (artNet.Judged() == ArtNetPacket::Verdict::Dmx) {
        Require(artNet.Slots().size() >= 2 && artNet.Slots().size() <= ArtNetPacket::kMaxSlots);
        Require(artNet.Slots().size() % 2 == 0);
        Require(artNet.PortAddress() <= 0x7fff);
        merger.Receive(artNet, SourceKey::FromArtNetSender({127, 0, 0, 1}, ArtNetPacket::kPort),
                       now);
        Require(merger.HasLook());
    } else {
        Require(artNet.Slots().empty());
    }

    for (const auto level : patch.LevelsFrom(merger.Look())) {
        Require(level >= dimrix::protocol::kMinLevel && level <= dimrix::protocol::kMaxLevel);
    }
    return 0;
}
