#include "bridge/ArtNetPacket.h"

#include <gtest/gtest.h>

#include <string>

#include "SamplePackets.h"

namespace dimrix::bridge {
namespace {

using samples::Bytes;
using Verdict = ArtNetPacket::Verdict;

Bytes With(Bytes bytes, std::size_t at, std::initializer_list<std::uint8_t> values) {
    std::copy(values.begin(), values.end(), bytes.begin() + static_cast<long>(at));
    return bytes;
}

TEST(ArtNetPacketTest, TellsDmxAndPollFromEverythingElse) {
    const Bytes good = samples::ArtDmx({1, 2, 3, 4});  // 22 bytes
    struct Case {
        std::string name;
        Bytes packet;
        Verdict verdict;
    };
    const Case cases[] = {
        {"four slots", good, Verdict::Dmx},
        {"two slots", samples::ArtDmx({9, 9}), Verdict::Dmx},
        {"one slot", samples::ArtDmx({9}), Verdict::Dmx},
        {"length odd", With(good, 16, {0x00, 0x03}), Verdict::Dmx},
        {"512 slots", samples::ArtDmx(Bytes(512, 1)), Verdict::Dmx},
        {"version 256", With(good, 10, {0x01, 0x00}), Verdict::Dmx},
        {"data beyond the length", With(good, 17, {0x02}), Verdict::Dmx},
        {"empty", {}, Verdict::TooShort},
        {"id only", Bytes(good.begin(), good.begin() + 9), Verdict::TooShort},
        {"header cut", Bytes(good.begin(), good.begin() + 17), Verdict::TooShort},
        {"other id", With(good, 3, {'_'}), Verdict::NotArtNet},
        {"short, other id", Bytes{'A', 'r', 't', '-', 'N', 'E', 't', 0}, Verdict::NotArtNet},
        {"OpCode big-endian", With(good, 8, {0x50, 0x00}), Verdict::OtherOpCode},
        {"ArtNzs", With(good, 8, {0x00, 0x51}), Verdict::OtherOpCode},
        {"ArtPollReply", With(good, 8, {0x00, 0x21}), Verdict::OtherOpCode},
        {"version 13", With(good, 10, {0x00, 0x0d}), Verdict::OldProtocol},
        {"length 0", With(good, 16, {0x00, 0x00}), Verdict::BadLength},
        {"length beyond the packet", With(good, 16, {0x00, 0x06}), Verdict::BadLength},
        {"odd length beyond the packet", With(good, 16, {0x00, 0x05}), Verdict::BadLength},
        {"length little-endian", With(good, 16, {0x04, 0x00}), Verdict::BadLength},
        {"length 514", With(samples::ArtDmx(Bytes(514, 1)), 16, {0x02, 0x02}), Verdict::BadLength},
        {"net above 0x7f", With(good, 15, {0x80}), Verdict::BadNet},
        {"poll", samples::ArtPoll(), Verdict::Poll},
        {"Art-Net 4 poll", samples::ArtPoll(22), Verdict::Poll},
        {"poll cut", samples::ArtPoll(12), Verdict::TooShort},
        {"old poll", With(samples::ArtPoll(), 11, {13}), Verdict::OldProtocol},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ArtNetPacket(c.packet).Judged(), c.verdict) << c.name;
    }
}

TEST(ArtNetPacketTest, YieldsTheFieldsOfArtDmx) {
    struct Case {
        std::uint16_t portAddress;
        std::uint8_t sequence;
    };
    const Case cases[] = {{0x0000, 0}, {0x1234, 77}, {0x7fff, 255}};
    for (const Case& c : cases) {
        const Bytes bytes = With(samples::ArtDmx({5, 6}, c.portAddress, c.sequence), 13, {3});
        const ArtNetPacket packet(bytes);
        ASSERT_EQ(packet.Judged(), Verdict::Dmx);
        EXPECT_EQ(packet.Address().PortAddress(), c.portAddress);
        EXPECT_EQ(packet.Sequence(), c.sequence);
        EXPECT_EQ(packet.Physical(), 3);
        EXPECT_EQ(Bytes(packet.Slots().begin(), packet.Slots().end()), (Bytes{5, 6}));
    }
    // Only the length's slots are data, however long the datagram, odd lengths too.
    const Bytes longer = With(samples::ArtDmx({5, 6, 7, 8}), 17, {0x03});
    const ArtNetPacket odd(longer);
    EXPECT_EQ(Bytes(odd.Slots().begin(), odd.Slots().end()), (Bytes{5, 6, 7}));
}

}  // namespace
}  // namespace dimrix::bridge
