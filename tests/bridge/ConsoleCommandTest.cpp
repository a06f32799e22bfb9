// The web console's core: what a command may say, what the console source then drives,
// and identify's flash.

#include "bridge/ConsoleCommand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "bridge/ConsoleSource.h"
#include "bridge/IdentifyFlash.h"

namespace dimrix::bridge {
namespace {

using Value = CommandField::Value;
using Numbers = std::vector<double>;

// Lines 0 and 1 on universe 1 (its console taken), line 2 on universe 2 (not taken).
ConsoleScope Scope() {
    return {{1, 1, 2}, {{1, true}, {2, false}}};
}

TEST(ConsoleCommandTest, ReadsOnlyWhatMeansSomethingToThisBridge) {
    struct Case {
        std::string name;
        std::vector<CommandField> fields;
        // Empty when the command is read.
        std::string error;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    const std::vector<Case> cases{
        {"take", {{"universe", 2.0}}, ""},
        {"take", {{"universe", 3.0}}, "the bridge drives no line on universe 3"},
        {"take", {}, "\"universe\" is missing"},
        {"take", {{"universe", 1.5}}, "\"universe\" must be a whole number from 1 to 63999"},
        {"take",
         {{"universe", Value{CommandField::Other{}}}},
         "\"universe\" must be a whole number from 1 to 63999"},
        {"take", {{"universe", 1.0}, {"line", 0.0}}, "take takes no member \"line\""},
        {"level", {{"line", 1.0}, {"board", 130.0}, {"channel", 3.0}, {"level", 40.0}}, ""},
        {"level",
         {{"line", 2.0}, {"board", 130.0}, {"channel", 3.0}, {"level", 40.0}},
         "take the console first"},
        {"level",
         {{"line", 3.0}, {"board", 130.0}, {"channel", 3.0}, {"level", 40.0}},
         "\"line\" must be a whole number from 0 to 2"},
        {"level",
         {{"line", 0.0}, {"board", 159.0}, {"channel", 3.0}, {"level", 40.0}},
         "\"board\" must be a whole number from 128 to 158"},
        {"level",
         {{"line", 0.0}, {"board", 130.0}, {"channel", 8.0}, {"level", 40.0}},
         "\"channel\" must be a whole number from 0 to 7"},
        {"level",
         {{"line", 0.0}, {"board", 130.0}, {"channel", 3.0}, {"level", 101.0}},
         "\"level\" must be a whole number from 0 to 100"},
        {"level",
         {{"line", 0.0}, {"board", 130.0}, {"channel", 3.0}, {"level", -infinity}},
         "\"level\" must be a whole number from 0 to 100"},
        {"level",
         {{"line", 0.0}, {"board", 130.0}, {"channel", 3.0}, {"level", std::nan("")}},
         "\"level\" must be a whole number from 0 to 100"},
        {"level", {{"line", 0.0}, {"board", 130.0}, {"level", 40.0}}, "\"channel\" is missing"},
        {"levels",
         {{"line", 0.0}, {"board", 158.0}, {"levels", Numbers{0, 1, 2, 3, 4, 5, 6, 100}}},
         ""},
        {"levels",
         {{"line", 0.0}, {"board", 158.0}, {"levels", Numbers{0, 1, 2, 3, 4, 5, 6}}},
         "\"levels\" must be 8 whole numbers from 0 to 100"},
        {"levels",
         {{"line", 0.0}, {"board", 158.0}, {"levels", Numbers{0, 1, 2, 3, 4, 5, 6, 101}}},
         "\"levels\" must be 8 whole numbers from 0 to 100"},
        {"levels",
         {{"line", 0.0}, {"board", 158.0}, {"levels", 5.0}},
         "\"levels\" must be 8 whole numbers from 0 to 100"},
        {"preset", {{"line", 0.0}, {"level", 30.0}}, ""},
        {"preset",
         {{"line", 0.0}, {"level", 40.0}},
         "a preset's \"level\" is one of 0, 10, 30, 50, 70 and 100"},
        {"master", {{"line", 0.0}, {"level", 42.0}}, ""},
        {"blackout", {{"line", 1.0}}, ""},
        {"blackout", {{"line", 2.0}}, "take the console first"},
        {"priority", {{"universe", 2.0}, {"priority", 150.0}}, ""},
        {"priority",
         {{"universe", 1.0}, {"priority", 0.0}},
         "\"priority\" must be a whole number from 1 to 200"},
        {"priority",
         {{"universe", 1.0}, {"priority", 201.0}},
         "\"priority\" must be a whole number from 1 to 200"},
        {"release", {{"universe", 2.0}}, ""},
        // Needs no console taken.
        {"identify", {{"line", 2.0}, {"board", 143.0}}, ""},
        {"identify", {{"line", 2.0}}, "\"board\" is missing"},
        {"reboot", {}, "no such command"},
    };
    for (const Case& each : cases) {
        const ReadCommand read = ConsoleCommand::Read(each.name, each.fields, Scope());
        EXPECT_EQ(read.error, each.error) << each.name;
        EXPECT_EQ(read.command.has_value(), each.error.empty()) << each.name;
        EXPECT_EQ(ConsoleCommand::Known(each.name), each.name != "reboot");
    }

    const ConsoleCommand level =
        *ConsoleCommand::Read(
             "level", {{{"line", 2.0}, {"board", 130.0}, {"channel", 3.0}, {"level", 40.0}}},
             {{1, 1, 2}, {{1, false}, {2, true}}})
             .command;
    EXPECT_EQ(level.universe, 2);
    EXPECT_EQ(level.line, 2U);
    EXPECT_EQ(level.board, 130);
    EXPECT_EQ(level.channel, 3);
    EXPECT_EQ(level.level, 40);
}

ConsoleCommand Command(ConsoleCommand::Kind kind, protocol::Level level = 0, int priority = 0) {
    ConsoleCommand command;
    command.kind = kind;
    command.universe = 1;
    command.line = 0;
    command.board = 130;
    command.channel = 3;
    command.level = level;
    command.priority = priority;
    return command;
}

TEST(ConsoleSourceTest, DrivesOnlyTheSlotsSetAtItsPriorityUntilReleased) {
    using Kind = ConsoleCommand::Kind;
    ConsoleSource console(100);
    // The second line of universe 1: board 128 at slot 249.
    const LinePatch patch("/dev/ttyUSB1", 1, 249);
    EXPECT_FALSE(console.Apply(Command(Kind::Level, 40), &patch));
    EXPECT_EQ(std::count(console.Priorities().begin(), console.Priorities().end(), 0), 512);

    console.Apply(Command(Kind::Take), nullptr);
    EXPECT_TRUE(console.Taken());
    EXPECT_TRUE(console.Apply(Command(Kind::Level, 40), &patch));
    EXPECT_FALSE(console.Apply(Command(Kind::Level, 40), &patch));
    // Board 130 channel 3: slot 249 + 16 + 3 = 268.
    EXPECT_EQ(console.Levels()[267], 102);
    EXPECT_EQ(console.Priorities()[267], 100);
    EXPECT_EQ(std::count(console.Priorities().begin(), console.Priorities().end(), 0), 511);

    EXPECT_TRUE(console.Apply(Command(Kind::Priority, 0, 150), nullptr));
    EXPECT_EQ(console.Priorities()[267], 150);
    EXPECT_EQ(std::count(console.Priorities().begin(), console.Priorities().end(), 0), 511);

    // Slots 249 to 496, every one of the line and none other.
    EXPECT_TRUE(console.Apply(Command(Kind::Preset, 30), &patch));
    EXPECT_EQ(console.Levels()[248], 77);
    EXPECT_EQ(console.Levels()[495], 77);
    EXPECT_EQ(console.Priorities()[495], 150);
    EXPECT_EQ(console.Priorities()[247], 0);
    EXPECT_EQ(console.Priorities()[496], 0);
    EXPECT_TRUE(console.Apply(Command(Kind::Blackout), &patch));
    EXPECT_EQ(console.Levels()[267], 0);
    EXPECT_EQ(console.Priorities()[267], 150);

    EXPECT_TRUE(console.Apply(Command(Kind::Release), nullptr));
    EXPECT_FALSE(console.Taken());
    EXPECT_EQ(std::count(console.Priorities().begin(), console.Priorities().end(), 0), 512);
    EXPECT_EQ(console.Priority(), 150);
}

TEST(IdentifyFlashTest, FlashesTheBoardOverTheMergeForFiveSecondsThenLetsItGo) {
    using std::chrono::milliseconds;
    const IdentifyFlash::TimePoint start{};
    IdentifyFlash flash;
    flash.Start(143, start);
    LineLevels merged{};
    merged.fill(42);
    struct Case {
        int at;
        protocol::Level level;
        int nextChange;
    };
    const std::vector<Case> cases{
        {0, 100, 250},   {249, 100, 250}, {250, 0, 500},
        {500, 100, 750}, {4999, 0, 5000}, {5000, 42, -1},
    };
    const std::size_t first = (143 - 128) * 8;
    for (const Case& each : cases) {
        const IdentifyFlash::TimePoint now = start + milliseconds(each.at);
        const LineLevels levels = flash.Over(merged, now);
        EXPECT_EQ(levels[first], each.level) << each.at;
        EXPECT_EQ(levels[first + 7], each.level) << each.at;
        EXPECT_EQ(levels[first - 1], 42) << each.at;
        EXPECT_EQ(levels[first + 8], 42) << each.at;
        const auto next = flash.NextChange(now);
        EXPECT_EQ(next ? static_cast<int>((*next - start) / milliseconds(1)) : -1, each.nextChange)
            << each.at;
    }
}

}  // namespace
}  // namespace dimrix::bridge
