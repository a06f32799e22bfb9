#include "bridge/LinePatch.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace dimrix::bridge {
namespace {

TEST(LinePatchTest, ReadsDeviceUniverseAndStart) {
    const std::string byPath = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0";
    struct Case {
        std::string text;
        std::string device;
        int universe;
        int start;
    };
    const Case cases[] = {
        {"/dev/ttyUSB0", "/dev/ttyUSB0", 1, 1},
        {"/dev/ttyUSB0:7", "/dev/ttyUSB0", 7, 1},
        {"/dev/ttyUSB0:63999:265", "/dev/ttyUSB0", 63999, 265},
        {"COM3:2:17", "COM3", 2, 17},
        {byPath, byPath, 1, 1},
        {byPath + ":3:9", byPath, 3, 9},
    };
    for (const Case& c : cases) {
        const ParsedLine parsed = LinePatch::Parse(c.text);
        ASSERT_TRUE(parsed.patch) << c.text << ": " << parsed.error;
        EXPECT_EQ(parsed.patch->Device(), c.device);
        EXPECT_EQ(parsed.patch->Universe(), c.universe) << c.text;
        EXPECT_EQ(parsed.patch->Start(), c.start) << c.text;
    }
}

TEST(LinePatchTest, ItsUniverseHasAnArtNetAddressUpTo32768) {
    struct Case {
        std::uint16_t universe;
        std::optional<std::uint16_t> portAddress;
        std::string text;
    };
    const Case cases[] = {
        {1, 0x0000, "0:0:0"},         {16, 0x000f, "0:0:15"},        {256, 0x00ff, "0:15:15"},
        {32768, 0x7fff, "127:15:15"}, {32769, std::nullopt, "none"}, {63999, std::nullopt, "none"},
    };
    for (const Case& c : cases) {
        const std::optional<ArtNetAddress> address = LinePatch("COM3", c.universe, 1).ArtNet();
        EXPECT_EQ(address ? std::optional(address->PortAddress()) : std::nullopt, c.portAddress)
            << c.universe;
        EXPECT_EQ(address ? address->Text() : "none", c.text) << c.universe;
    }
    EXPECT_FALSE(ArtNetAddress::FromPortAddress(0x8000));
}

TEST(LinePatchTest, RefusesWithTheReason) {
    struct Case {
        std::string text;
        std::string reason;
    };
    const Case cases[] = {
        {":7", "no device"},
        {"", "no device"},
        {"/dev/ttyUSB0:", "nothing after ':'"},
        {"/dev/ttyUSB0::5", "nothing after ':'"},
        {"/dev/ttyUSB0:0", "universe 0 is not 1 to 63999"},
        {"/dev/ttyUSB0:64000", "universe 64000 is not 1 to 63999"},
        {"/dev/ttyUSB0:99999999999", "universe 99999999999 is not"},
        {"/dev/ttyUSB0:1:0", "start is 1 to 265"},
        {"/dev/ttyUSB0:1:266", "slots 266 onwards cannot hold the 248 channels"},
    };
    for (const Case& c : cases) {
        const ParsedLine parsed = LinePatch::Parse(c.text);
        EXPECT_FALSE(parsed.patch) << c.text;
        EXPECT_NE(parsed.error.find(c.reason), std::string::npos) << c.text << ": " << parsed.error;
        EXPECT_NE(parsed.error.find("'" + c.text + "'"), std::string::npos) << parsed.error;
    }
}

TEST(LinePatchTest, TakesItsSlotsAsLevelsRoundedToNearest) {
    struct Case {
        std::uint8_t dmx;
        protocol::Level level;
    };
    const Case levels[] = {{0, 0},    {1, 0},    {2, 1},     {3, 1},    {127, 50},
                           {128, 50}, {129, 51}, {254, 100}, {255, 100}};
    for (const Case& c : levels) {
        EXPECT_EQ(LinePatch::LevelOf(c.dmx), c.level) << int{c.dmx};
    }

    // Board 128 channel 0 at slot 265, board 158 channel 7 at slot 512.
    std::vector<std::uint8_t> slots(512, 0);
    slots[264] = 255;
    slots[265] = 128;
    slots[511] = 3;
    slots[263] = 200;  // slot 264: before the line's first
    const LinePatch late("/dev/ttyUSB0", 1, 265);
    const LineLevels lateLevels = late.LevelsFrom(slots);
    EXPECT_EQ(lateLevels[0], 100);
    EXPECT_EQ(lateLevels[1], 50);
    EXPECT_EQ(lateLevels[247], 1);
    EXPECT_EQ(lateLevels[2], 0);

    // A sender that sent fewer slots: the rest are 0.
    const LinePatch first("/dev/ttyUSB0", 1, 1);
    const std::vector<std::uint8_t> few{255, 255};
    const LineLevels fewLevels = first.LevelsFrom(few);
    EXPECT_EQ(fewLevels[1], 100);
    EXPECT_EQ(fewLevels[2], 0);
}

}  // namespace
}  // namespace dimrix::bridge
