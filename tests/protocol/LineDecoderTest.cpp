#include "protocol/LineDecoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <vector>

namespace dimrix::protocol {
namespace {

struct DecodeCase {
    const char* name;
    std::vector<std::uint8_t> stream;
    // Board 128 and board 130 afterwards.
    ChannelLevels board128;
    ChannelLevels board130;
    std::size_t frames;
    std::size_t malformed;
    // What the decoder hands over, in line order.
    std::vector<DecodedFrame> found;
};

class FrameLog : public DecodeListener {
public:
    void OnFrame(const DecodedFrame& frame) override { frames.push_back(frame); }
    void OnMalformed(std::span<const Byte> /*bytes*/, Malformation /*why*/) override {}

    std::vector<DecodedFrame> frames;
};

TEST(LineDecoderTest, ReadsTheStreamAsTheBoardsDo) {
    const DecodeCase cases[] = {
        {"address frame",
         {130, 1, 2, 3, 4, 5, 6, 7, 8, 255},
         {},
         {1, 2, 3, 4, 5, 6, 7, 8},
         1,
         0,
         {DecodedAddressFrame{130, {1, 2, 3, 4, 5, 6, 7, 8}}}},
        {"master frame",
         {109, 42, 255},
         {42, 42, 42, 42, 42, 42, 42, 42},
         {42, 42, 42, 42, 42, 42, 42, 42},
         1,
         0,
         {DecodedMasterFrame{42}}},
        {"preset after a frame",
         {130, 9, 9, 9, 9, 9, 9, 9, 9, 255, 117, 255},
         {70, 70, 70, 70, 70, 70, 70, 70},
         {70, 70, 70, 70, 70, 70, 70, 70},
         2,
         0,
         {DecodedAddressFrame{130, {9, 9, 9, 9, 9, 9, 9, 9}}, DecodedPresetFrame{117, 70}}},
        {"frame cut off by the next one",
         {130, 9, 9, 128, 5, 5, 5, 5, 5, 5, 5, 5, 255},
         {5, 5, 5, 5, 5, 5, 5, 5},
         {},
         1,
         1,
         {DecodedAddressFrame{128, {5, 5, 5, 5, 5, 5, 5, 5}}}},
        {"frame one level short", {130, 1, 2, 3, 4, 5, 6, 7, 255}, {}, {}, 0, 1, {}},
        {"frame one level long", {130, 1, 2, 3, 4, 5, 6, 7, 8, 9, 255}, {}, {}, 0, 3, {}},
        {"stray level and terminator", {7, 255}, {}, {}, 0, 2, {}},
        {"unused value inside a frame", {130, 1, 2, 3, 200, 5, 6, 7, 8, 255}, {}, {}, 0, 7, {}},
        {"preset code with a level", {110, 0, 255}, {}, {}, 0, 3, {}},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        FrameLog log;
        LineDecoder decoder(&log);
        decoder.Feed(c.stream);
        EXPECT_EQ(log.frames, c.found);
        EXPECT_EQ(decoder.Board(128), c.board128);
        EXPECT_EQ(decoder.Board(130), c.board130);
        EXPECT_EQ(decoder.Frames(), c.frames);
        EXPECT_EQ(decoder.Malformed(), c.malformed);
        EXPECT_FALSE(decoder.InFrame());
    }
}

TEST(LineDecoderTest, StreamEndingMidFrameLeavesTheBoardsAsTheyWere) {
    LineDecoder decoder;
    decoder.Feed(std::vector<std::uint8_t>{158, 100, 100, 100});
    EXPECT_TRUE(decoder.InFrame());
    EXPECT_EQ(decoder.Board(158), ChannelLevels{});
    EXPECT_THROW((void)decoder.Board(159), std::out_of_range);
}

}  // namespace
}  // namespace dimrix::protocol
