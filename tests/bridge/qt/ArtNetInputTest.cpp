#include "bridge/qt/ArtNetInput.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <memory>
#include <optional>
#include <vector>

#include "SamplePackets.h"
#include "bridge/qt/BridgeLog.h"

namespace dimrix::bridge {
namespace {

using samples::Bytes;

// Two senders on this machine, as two loopback addresses; no socket is needed to hand
// the input what they sent.
TEST(ArtNetInputTest, ASenderIsItsAddressWhateverItsPortAndNoArtDmxReachesAUniverseAbove32768) {
    const BridgeLog log(true);
    const ListenInterface where(std::nullopt);
    std::vector<std::unique_ptr<UniverseInput>> universes;
    universes.push_back(std::make_unique<UniverseInput>(1, SourceMerger::LossPolicy::Hold, log));
    universes.push_back(
        std::make_unique<UniverseInput>(32769, SourceMerger::LossPolicy::Hold, log));
    ArtNetInput input(where, universes);

    const QHostAddress first("127.0.0.1");
    const QHostAddress second("127.0.0.2");
    input.Receive(samples::ArtDmx({10}, 0x0000, 1), first, 6454);
    input.Receive(samples::ArtDmx({20}, 0x0000, 2), first, 50000);
    input.Receive(samples::ArtDmx({30}, 0x0000, 1), second, 6454);
    input.Receive(samples::ArtDmx({40}, 0x7fff, 1), second, 6454);

    const SourceMerger& one = universes[0]->Merger();
    ASSERT_EQ(one.Sources().size(), 2U);
    EXPECT_EQ(one.Sources()[0].key, SourceKey::FromArtNetSender({127, 0, 0, 1}));
    EXPECT_EQ(one.Sources()[0].levels[0], 20) << "the new port's data is the same source's";
    EXPECT_EQ(one.Sources()[1].key, SourceKey::FromArtNetSender({127, 0, 0, 2}));
    EXPECT_FALSE(universes[1]->Merger().HasLook());
    EXPECT_EQ(input.Merged(), 3U);
    EXPECT_EQ(input.Dropped(), 1U) << "127:15:15 is universe 32768's, which has no line";
}

}  // namespace
}  // namespace dimrix::bridge
