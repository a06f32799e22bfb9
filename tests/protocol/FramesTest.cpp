#include "protocol/Frames.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace dimrix::protocol {
namespace {

template <std::size_t N>
std::vector<int> AsInts(const std::array<Byte, N>& frame) {
    return {frame.begin(), frame.end()};
}

TEST(AddressFrameTest, CarriesAddressEightLevelsInChannelOrderAndTerminator) {
    EXPECT_EQ(AsInts(AddressFrame(128, {0, 0, 0, 0, 0, 0, 0, 0})),
              (std::vector<int>{128, 0, 0, 0, 0, 0, 0, 0, 0, 255}));
    EXPECT_EQ(AsInts(AddressFrame(158, {100, 90, 80, 70, 60, 50, 40, 30})),
              (std::vector<int>{158, 100, 90, 80, 70, 60, 50, 40, 30, 255}));
    EXPECT_EQ(AsInts(AddressFrame(130, {0, 0, 0, 40, 0, 0, 0, 0})),
              (std::vector<int>{130, 0, 0, 0, 40, 0, 0, 0, 0, 255}));
}

TEST(MasterFrameTest, CarriesCommandLevelAndTerminator) {
    EXPECT_EQ(AsInts(MasterFrame(0)), (std::vector<int>{109, 0, 255}));
    EXPECT_EQ(AsInts(MasterFrame(73)), (std::vector<int>{109, 73, 255}));
    EXPECT_EQ(AsInts(MasterFrame(100)), (std::vector<int>{109, 100, 255}));
}

TEST(PresetFrameTest, EachPresetHasItsCodeAndLevel) {
    struct Case {
        Preset preset;
        int code;
        int level;
    };
    const Case cases[] = {{Preset::AllOff, 110, 0}, {Preset::All10, 111, 10},
                          {Preset::All30, 113, 30}, {Preset::All50, 115, 50},
                          {Preset::All70, 117, 70}, {Preset::All100, 120, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(AsInts(PresetFrame(c.preset)), (std::vector<int>{c.code, 255}));
        EXPECT_EQ(PresetLevel(c.preset), c.level);
    }
    EXPECT_EQ(kPresets.size(), std::size(cases));
}

// A level or address outside its byte class would reach the boards as a command or as
// another board's address, so the encoders refuse it rather than send it.
TEST(FrameRangeTest, RefusesBytesOutsideTheirClass) {
    EXPECT_THROW(AddressFrame(127, {}), std::out_of_range);
    EXPECT_THROW(AddressFrame(159, {}), std::out_of_range);
    EXPECT_THROW(AddressFrame(128, {0, 0, 0, 0, 0, 0, 0, 101}), std::out_of_range);
    EXPECT_THROW(AddressFrame(128, {-1, 0, 0, 0, 0, 0, 0, 0}), std::out_of_range);
    EXPECT_THROW(MasterFrame(109), std::out_of_range);
    EXPECT_THROW(MasterFrame(-1), std::out_of_range);
}

TEST(FrameRangeTest, EveryValidLevelStaysBelowCommandsAndEveryAddressAboveThem) {
    for (Level level = 0; level <= 100; ++level) {
        const auto frame = MasterFrame(level);
        EXPECT_LT(frame[1], 109);
    }
    for (Address address = 128; address <= 158; ++address) {
        const auto frame = AddressFrame(address, {});
        EXPECT_GE(frame[0], 128);
        EXPECT_LT(frame[0], 255);
    }
}

}  // namespace
}  // namespace dimrix::protocol
