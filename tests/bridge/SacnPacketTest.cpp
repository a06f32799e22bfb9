#include "bridge/SacnPacket.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "SamplePackets.h"

namespace dimrix::bridge {
namespace {

using samples::Bytes;
using Verdict = SacnPacket::Verdict;

const Bytes kThreeSlots{10, 20, 30};

Bytes With(Bytes bytes, std::size_t at, std::initializer_list<std::uint8_t> values) {
    std::copy(values.begin(), values.end(), bytes.begin() + static_cast<long>(at));
    return bytes;
}

TEST(SacnPacketTest, AcceptsOnlyWellFormedDataPackets) {
    const Bytes good = samples::Sacn(kThreeSlots);  // 129 bytes
    Bytes trailing = good;
    trailing.push_back(0);
    Bytes truncated = good;
    truncated.pop_back();
    Bytes sync(49, 0);  // a synchronisation packet: extended root vector
    std::copy_n(good.begin(), 22, sync.begin());
    sync[21] = 0x08;

    struct Case {
        std::string name;
        Bytes packet;
        Verdict verdict;
    };
    const Case cases[] = {
        {"three slots", good, Verdict::Data},
        {"no slots", samples::Sacn({}), Verdict::Data},
        {"512 slots", samples::Sacn(Bytes(512, 7)), Verdict::Data},
        {"513 slots", samples::Sacn(Bytes(513, 7)), Verdict::BadCount},
        {"empty", {}, Verdict::TooShort},
        {"root layer cut", Bytes(good.begin(), good.begin() + 21), Verdict::TooShort},
        {"headers cut", Bytes(good.begin(), good.begin() + 125), Verdict::TooShort},
        {"preamble", With(good, 1, {0x11}), Verdict::NotAcn},
        {"postamble", With(good, 3, {0x01}), Verdict::NotAcn},
        {"identifier", With(good, 11, {'8'}), Verdict::NotAcn},
        {"identifier padding", With(good, 15, {0x01}), Verdict::NotAcn},
        {"synchronisation", sync, Verdict::Extended},
        {"root vector 8 on data", With(good, 21, {0x08}), Verdict::Extended},
        {"root vector", With(good, 21, {0x05}), Verdict::UnknownVector},
        {"framing vector", With(good, 43, {0x03}), Verdict::UnknownVector},
        {"root flags", With(good, 16, {0x60}), Verdict::BadPdu},
        {"root length", With(good, 17, {0x70}), Verdict::BadPdu},
        {"framing length", With(good, 39, {0x5a}), Verdict::BadPdu},
        {"dmp length", With(good, 116, {0x0d}), Verdict::BadPdu},
        {"byte after the data", trailing, Verdict::BadPdu},
        {"last slot missing", truncated, Verdict::BadPdu},
        {"dmp vector", With(good, 117, {0x01}), Verdict::BadDmp},
        {"address and data type", With(good, 118, {0xa2}), Verdict::BadDmp},
        {"first property address", With(good, 120, {0x01}), Verdict::BadDmp},
        {"address increment", With(good, 122, {0x02}), Verdict::BadDmp},
        {"count one short", With(good, 124, {0x03}), Verdict::BadCount},
        {"count one over", With(good, 124, {0x05}), Verdict::BadCount},
        {"priority 200", With(good, 108, {200}), Verdict::Data},
        {"priority 201", With(good, 108, {201}), Verdict::BadPriority},
        {"universe 0", With(good, 113, {0x00, 0x00}), Verdict::BadUniverse},
        {"universe 63999", With(good, 113, {0xf9, 0xff}), Verdict::Data},
        {"universe 64000", With(good, 113, {0xfa, 0x00}), Verdict::BadUniverse},
        {"text start code", With(good, 125, {0x17}), Verdict::OtherStartCode},
        {"text start code, terminated", With(With(good, 125, {0x17}), 112, {0x40}), Verdict::Data},
        {"per-slot priorities up to 200", With(good, 125, {0xdd, 0, 200, 1}), Verdict::Data},
        {"per-slot priority 201", With(good, 125, {0xdd, 0, 201, 1}), Verdict::BadSlotPriority},
        {"preview", With(good, 112, {0x80}), Verdict::Preview},
        {"preview, terminated", With(good, 112, {0xc0}), Verdict::Preview},
        {"terminated", With(good, 112, {0x40}), Verdict::Data},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SacnPacket(c.packet).Judged(), c.verdict) << c.name;
    }
}

TEST(SacnPacketTest, YieldsEveryFieldOfADataPacket) {
    struct Case {
        samples::SacnFields fields;
        std::string name;
        bool terminated;
    };
    const std::string longName(64, 'n');
    const Case cases[] = {
        {{.cidSeed = 0x40,
          .name = "Front desk",
          .priority = 0,
          .sequence = 255,
          .options = 0x40,
          .universe = 0x1234,
          .startCode = 0x17},
         "Front desk",
         true},
        {{.cidSeed = 0xf0,
          .name = longName,
          .priority = 200,
          .sequence = 1,
          .options = 0x00,
          .universe = 1,
          .startCode = 0xdd},
         longName,
         false},
    };
    for (const Case& c : cases) {
        const Bytes bytes = samples::Sacn(kThreeSlots, c.fields);
        const SacnPacket packet(bytes);
        ASSERT_TRUE(packet.IsData()) << c.name;
        EXPECT_EQ(packet.SourceCid()[0], c.fields.cidSeed);
        EXPECT_EQ(packet.SourceCid()[15], static_cast<std::uint8_t>(c.fields.cidSeed + 15));
        EXPECT_EQ(packet.SourceName(), c.name);
        EXPECT_EQ(packet.Priority(), c.fields.priority);
        EXPECT_EQ(packet.Sequence(), c.fields.sequence);
        EXPECT_EQ(packet.Terminated(), c.terminated);
        EXPECT_EQ(packet.Universe(), c.fields.universe);
        EXPECT_EQ(packet.StartCode(), c.fields.startCode);
        EXPECT_EQ(Bytes(packet.Slots().begin(), packet.Slots().end()), kThreeSlots);
    }
}

TEST(SacnPacketTest, NoCutOfAFullPacketReadsAsData) {
    const Bytes full = samples::Sacn(Bytes(512, 0x55));
    for (std::size_t size = 0; size < full.size(); ++size) {
        const SacnPacket packet(std::span<const std::uint8_t>(full).first(size));
        EXPECT_FALSE(packet.IsData()) << size;
        EXPECT_TRUE(packet.Slots().empty());
        EXPECT_TRUE(packet.SourceName().empty());
    }
}

}  // namespace
}  // namespace dimrix::bridge
