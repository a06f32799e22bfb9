#include "bridge/ArtPollReply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dimrix::bridge {
namespace {

// Bytes at an offset; every byte of a reply that no run names must be 0.
struct Run {
    std::size_t at;
    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

// The fields every reply of the node below carries, whatever its ports.
std::vector<Run> Common(std::uint8_t net, std::uint8_t subNet, std::uint8_t bindIndex) {
    return {
        {0, Text(std::string("Art-Net") + '\0')},
        {8, {0x00, 0x21}},            // OpPollReply, low byte first
        {10, {192, 168, 1, 20}},      // IP
        {14, {0x36, 0x19}},           // port 6454, low byte first
        {16, {0x01, 0x02}},           // version 1.2
        {18, {net, subNet}},          // NetSwitch, SubSwitch
        {20, {0x00, 0xff}},           // OEM unknown
        {23, {0xd0}},                 // Status1
        {26, Text("dimrix-bridge")},  // short name
        {44, Text("Dimrix serial bridge")},
        {108, Text("#0001 [0042] OK")},  // node report
        {207, {192, 168, 1, 20}},        // bind IP
        {211, {bindIndex}},
        {212, {0x08}},  // Status2: 15-bit Port-Addresses
    };
}

ArtPollReply::Port Port(std::uint16_t portAddress, bool transmitting) {
    return {ArtNetAddress::FromPortAddress(portAddress).value(), transmitting};
}

void ExpectReply(const ArtPollReply::Bytes& reply, std::vector<Run> runs, const std::string& name) {
    std::vector<std::uint8_t> expected(239, 0);
    for (const Run& run : runs) {
        std::copy(run.bytes.begin(), run.bytes.end(), expected.begin() + static_cast<long>(run.at));
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(static_cast<int>(reply[i]), static_cast<int>(expected[i]))
            << name << ", offset " << i;
    }
}

TEST(ArtPollReplyTest, OneReplyPerNetAndSubNetOfAtMostFourPorts) {
    const ArtPollReply::Node node{.ip = {192, 168, 1, 20},
                                  .version = 0x0102,
                                  .shortName = "dimrix-bridge",
                                  .longName = "Dimrix serial bridge",
                                  .replyCount = 10042};
    // Lines on universes 1, 2, 0x107 and 1 again, one above 32768 (not listed), then four
    // more in Net 0 Sub-Net 0.
    const std::vector<ArtPollReply::Port> ports{
        Port(0x0000, true), Port(0x0001, false),  Port(0x0106, true),
        Port(0x0000, true), {std::nullopt, true}, Port(0x0005, true),
        Port(0x000f, true), Port(0x0002, true),   Port(0x0003, true)};
    const auto replies = ArtPollReply::Build(node, ports);
    ASSERT_EQ(replies.size(), 3U);

    auto first = Common(0, 0, 1);
    first.push_back({173, {4}});                       // NumPorts
    first.push_back({174, {0x80, 0x80, 0x80, 0x80}});  // PortTypes: DMX512 output
    first.push_back({182, {0x80, 0x00, 0x80, 0x80}});  // GoodOutput
    first.push_back({190, {0x00, 0x01, 0x00, 0x05}});  // SwOut
    first.push_back({213, {0xc0, 0xc0, 0xc0, 0xc0}});  // GoodOutputB
    ExpectReply(replies[0], first, "net 0 sub 0");

    auto second = Common(1, 0, 2);
    second.push_back({173, {1}});
    second.push_back({174, {0x80}});
    second.push_back({182, {0x80}});
    second.push_back({190, {0x06}});
    second.push_back({213, {0xc0}});
    ExpectReply(replies[1], second, "net 1 sub 0");

    auto third = Common(0, 0, 3);
    third.push_back({173, {3}});
    third.push_back({174, {0x80, 0x80, 0x80}});
    third.push_back({182, {0x80, 0x80, 0x80}});
    third.push_back({190, {0x0f, 0x02, 0x03}});
    third.push_back({213, {0xc0, 0xc0, 0xc0}});
    ExpectReply(replies[2], third, "net 0 sub 0, full first");
}

TEST(ArtPollReplyTest, NamesAreCutLeavingTheirTerminator) {
    const std::string longName(100, 'L');
    const ArtPollReply::Node node{.shortName = "an eighteen-byte name", .longName = longName};
    const std::vector<ArtPollReply::Port> ports{Port(0x7fff, false)};
    const auto replies = ArtPollReply::Build(node, ports);
    ASSERT_EQ(replies.size(), 1U);
    const ArtPollReply::Bytes& reply = replies[0];
    EXPECT_EQ(std::string(reply.begin() + 26, reply.begin() + 44),
              std::string("an eighteen-byte ") + '\0');
    EXPECT_EQ(std::string(reply.begin() + 44, reply.begin() + 108), std::string(63, 'L') + '\0');
    EXPECT_EQ(reply[18], 0x7f);
    EXPECT_EQ(reply[19], 0x0f);
    EXPECT_EQ(reply[190], 0x0f);
}

}  // namespace
}  // namespace dimrix::bridge
