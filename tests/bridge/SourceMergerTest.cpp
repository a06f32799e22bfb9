#include "bridge/SourceMerger.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <string>
#include <vector>

#include "SamplePackets.h"

namespace dimrix::bridge {
namespace {

using samples::Bytes;
using std::chrono::milliseconds;
using Policy = SourceMerger::LossPolicy;

// Sources by letter: A to C send sACN (CID seed 0x10 * letter), X to Z send Art-Net from
// 10.0.0.1 to 10.0.0.3. A to C in lower case send their per-slot priorities (start code
// 0xDD) instead of levels.
SourceKey ArtNetKey(char source) {
    return SourceKey::FromArtNetSender({10, 0, 0, static_cast<std::uint8_t>(source - 'X' + 1)});
}

std::uint8_t CidSeed(char source) {
    return static_cast<std::uint8_t>(0x10 * (source - 'A' + 1));
}

char Letter(const SourceKey& key) {
    for (const char source : std::string("ABCXYZ")) {
        const bool sacn = source < 'X';
        if (sacn ? key.Id()[0] == CidSeed(source) && key.From() == SourceKey::Origin::Sacn
                 : key == ArtNetKey(source)) {
            return source;
        }
    }
    return '?';
}

// Each event as a word: "+A100" appeared, "-A" gone, "-A!" terminated, "none" all gone,
// "refused X".
class EventLog : public MergeListener {
public:
    void OnSourceAppeared(const SourceKey& key, std::string_view, int priority) override {
        Add(std::string("+") + Letter(key) + std::to_string(priority));
    }
    void OnSourceGone(const SourceKey& key, std::string_view, SourceLoss why) override {
        Add(std::string("-") + Letter(key) + (why == SourceLoss::Terminated ? "!" : ""));
    }
    void OnAllSourcesGone() override { Add("none"); }
    void OnSourceRefused(const SourceKey& key, SourceRefusal) override {
        Add(std::string("refused ") + Letter(key));
    }
    std::string Take() { return std::exchange(m_text, {}); }

private:
    void Add(const std::string& word) { m_text += (m_text.empty() ? "" : " ") + word; }
    std::string m_text;
};

// One packet (or, with source ' ', only the clock moving on) and what follows.
struct Step {
    int atMs;
    char source;
    Bytes slots;  // levels, or per-slot priorities
    int priority = 100;
    int sequence = 0;
    bool terminated = false;
    Bytes look = {};  // the first slots of the look afterwards
    std::string events = {};
};

struct Scenario {
    std::string name;
    Policy policy;
    std::vector<Step> steps;
};

TEST(SourceMergerTest, MergesSourcesAsTheyComeAndGo) {
    const Scenario scenarios[] = {
        {"highest priority wins, the next takes over when it goes",
         Policy::Hold,
         {{0, 'A', {10, 20, 30}, 100, 1, false, {10, 20, 30}, "+A100"},
          {10, 'B', {5, 5}, 150, 1, false, {5, 5, 0}, "+B150"},
          {2000, 'A', {11, 20, 30}, 100, 2, false, {5, 5, 0}},
          {2509, ' ', {}, 0, 0, false, {5, 5, 0}},
          {2510, ' ', {}, 0, 0, false, {11, 20, 30}, "-B"}}},
        {"equal priorities merge highest level first",
         Policy::Hold,
         {{0, 'A', {10, 50, 0}, 120, 1, false, {10, 50, 0}, "+A120"},
          {5, 'B', {40, 20, 0}, 120, 7, false, {40, 50, 0}, "+B120"},
          {9, 'C', {99, 99, 99}, 119, 1, false, {40, 50, 0}, "+C119"}}},
        {"silent sources go after 2.5 s; hold keeps the look, a source back takes over",
         Policy::Hold,
         {{0, 'A', {10, 20}, 100, 1, false, {10, 20}, "+A100"},
          {2499, ' ', {}, 0, 0, false, {10, 20}},
          {2500, ' ', {}, 0, 0, false, {10, 20}, "-A none"},
          {9000, 'B', {1, 2}, 50, 200, false, {1, 2}, "+B50"}}},
        {"off: the last source gone leaves everything at 0",
         Policy::Off,
         {{0, 'A', {10, 20}, 100, 1, false, {10, 20}, "+A100"},
          {2500, ' ', {}, 0, 0, false, {0, 0}, "-A none"}}},
        {"terminated releases at once and its data is not merged",
         Policy::Hold,
         {{0, 'A', {90, 0}, 100, 1, false, {90, 0}, "+A100"},
          {1, 'B', {10, 10}, 100, 1, false, {90, 10}, "+B100"},
          {2, 'A', {100, 100}, 100, 2, true, {10, 10}, "-A!"},
          {3, 'B', {10, 10}, 100, 2, true, {10, 10}, "-B! none"},
          {4, 'C', {1}, 100, 1, false, {1, 0}, "+C100"},
          {5, 'c', {}, 100, 2, true, {1, 0}, "-C! none"}}},  // whatever the start code
        {"late packets are dropped by sequence",
         Policy::Hold,
         {{0, 'A', {10}, 100, 10, false, {10}, "+A100"},
          {1, 'A', {11}, 100, 10, false, {10}},   // repeat
          {2, 'A', {12}, 100, 9, false, {10}},    // one behind
          {3, 'A', {13}, 100, 247, false, {10}},  // 19 behind, across the wrap
          {4, 'A', {14}, 100, 246, false, {14}},  // 20 behind: a restarted source
          {5, 'A', {15}, 100, 11, false, {15}},
          {6, 'a', {0}, 100, 11, false, {15}},  // one counter, whatever the start code
          {7, 'a', {0}, 100, 12, false, {0}}}},
        {"at most two Art-Net sources; the third is told once",
         Policy::Hold,
         {{0, 'X', {10, 0}, 0, 0, false, {10}, "+X100"},
          {1, 'Y', {20, 0}, 0, 0, false, {20}, "+Y100"},
          {2, 'Z', {30, 0}, 0, 0, false, {20}, "refused Z"},
          {3, 'Z', {30, 0}, 0, 0, false, {20}},
          {4, 'X', {5, 0}, 0, 0, false, {20}},  // unsequenced: never late
          {2000, 'Y', {7, 0}, 0, 1, false, {7}},
          {2504, 'Z', {30, 0}, 0, 0, false, {30}, "-X +Z100"},
          {2505, 'A', {1}, 100, 1, false, {30}, "+A100"}}},
        {"Art-Net ranks as priority 100",
         Policy::Hold,
         {{0, 'X', {10, 0}, 0, 0, false, {10}, "+X100"},
          {1, 'A', {50}, 99, 1, false, {10}, "+A99"},
          {2, 'B', {5}, 101, 1, false, {5}, "+B101"}}},
        {"a console releases half its channels to a second console",
         Policy::Hold,
         {{0, 'A', {10, 20, 30, 40}, 100, 1, false, {10, 20, 30, 40}, "+A100"},
          {1, 'a', {100, 100, 0, 0}, 100, 2, false, {10, 20, 0, 0}},
          {2, 'B', {90, 90, 90, 90}, 100, 1, false, {90, 90, 90, 90}, "+B100"},
          {3, 'b', {0, 0, 100, 100}, 100, 2, false, {10, 20, 90, 90}}}},
        {"a backup at a lower priority takes over channel by channel",
         Policy::Hold,
         {{0, 'A', {80, 80, 80}, 100, 1, false, {80, 80, 80}, "+A100"},
          {1, 'a', {100, 100, 100}, 100, 2, false, {80, 80, 80}},
          {2, 'B', {99, 99, 99}, 100, 1, false, {99, 99, 99}, "+B100"},
          {3, 'b', {50, 50, 50}, 100, 2, false, {80, 80, 80}},
          {4, 'a', {0, 100, 100}, 100, 3, false, {99, 80, 80}},
          {5, 'a', {0, 0, 100}, 100, 4, false, {99, 99, 80}},
          {6, 'a', {0, 0}, 100, 5, false, {99, 99, 99}}}},  // slots past the count too
        {"per-slot priorities that stop while levels go on fall back to the packets' priority",
         Policy::Hold,
         {{0, 'A', {10, 10}, 100, 1, false, {10, 10}, "+A100"},
          {1, 'a', {200, 0}, 100, 2, false, {10, 0}},
          {2, 'B', {50, 50}, 150, 1, false, {10, 50}, "+B150"},
          {1000, 'A', {10, 10}, 100, 3, false, {10, 50}},
          {2000, 'A', {10, 10}, 100, 4, false, {10, 50}},
          {2000, 'B', {50, 50}, 150, 2, false, {10, 50}},
          {2500, ' ', {}, 0, 0, false, {10, 50}},
          {2501, ' ', {}, 0, 0, false, {50, 50}},
          {2600, 'a', {200, 0}, 100, 5, false, {10, 50}}}},
        {"per-slot priorities with no levels at all do nothing, and make no source present",
         Policy::Off,
         {{0, 'A', {10, 10}, 100, 1, false, {10, 10}, "+A100"},
          {1, 'b', {200, 0}, 100, 1, false, {10, 10}},
          {2000, 'b', {200, 0}, 100, 2, false, {10, 10}},
          {2500, ' ', {}, 0, 0, false, {0, 0}, "-A none"},
          {2600, 'B', {70, 70}, 0, 3, false, {70, 0}, "+B0"}}},  // levels: from now on
    };
    for (const Scenario& scenario : scenarios) {
        EventLog log;
        SourceMerger merger(scenario.policy, &log);
        const SourceMerger::TimePoint start{};
        EXPECT_FALSE(merger.HasLook());
        for (const Step& step : scenario.steps) {
            const auto now = start + milliseconds(step.atMs);
            if (step.source == ' ') {
                merger.Expire(now);
            } else if (step.source >= 'X' && step.source <= 'Z') {
                const Bytes bytes =
                    samples::ArtDmx(step.slots, 0, static_cast<std::uint8_t>(step.sequence));
                merger.Receive(ArtNetPacket(bytes), ArtNetKey(step.source), now);
            } else {
                const char letter = static_cast<char>(std::toupper(step.source));
                const Bytes bytes = samples::Sacn(
                    step.slots,
                    {.cidSeed = CidSeed(letter),
                     .priority = static_cast<std::uint8_t>(step.priority),
                     .sequence = static_cast<std::uint8_t>(step.sequence),
                     .options = static_cast<std::uint8_t>(step.terminated ? 0x40 : 0),
                     .startCode = static_cast<std::uint8_t>(letter == step.source ? 0x00 : 0xdd)});
                merger.Receive(SacnPacket(bytes), now);
            }
            const std::string where = scenario.name + ", at " + std::to_string(step.atMs) + " ms";
            ASSERT_TRUE(merger.HasLook()) << where;
            EXPECT_EQ(Bytes(merger.Look().begin(), merger.Look().begin() + step.look.size()),
                      step.look)
                << where;
            EXPECT_EQ(log.Take(), step.events) << where;
        }
    }
}

TEST(SourceMergerTest, TellsWhenTheNextSourceFallsSilentAndWhetherTheLookChanged) {
    SourceMerger merger(Policy::Off);
    const SourceMerger::TimePoint start{};
    EXPECT_FALSE(merger.NextExpiry());
    EXPECT_FALSE(merger.Expire(start + milliseconds(5000))) << "no look to drop yet";
    EXPECT_FALSE(merger.HasLook());

    const Bytes first = samples::Sacn({40}, {.cidSeed = 0x10, .sequence = 1});
    EXPECT_TRUE(merger.Receive(SacnPacket(first), start));
    const Bytes same = samples::Sacn({40}, {.cidSeed = 0x10, .sequence = 2});
    EXPECT_FALSE(merger.Receive(SacnPacket(same), start + milliseconds(100)));
    const Bytes other = samples::Sacn({40}, {.cidSeed = 0x20, .sequence = 1});
    EXPECT_FALSE(merger.Receive(SacnPacket(other), start + milliseconds(300)));
    EXPECT_EQ(merger.NextExpiry(), start + milliseconds(2600));
    EXPECT_FALSE(merger.Expire(start + milliseconds(2600))) << "the other still sends 40";
    EXPECT_TRUE(merger.Expire(start + milliseconds(2800)));
    EXPECT_EQ(merger.Look()[0], 0);
    EXPECT_EQ(merger.Dropped().late, 0U);

    // Per-slot priorities grow old before their source's levels do.
    SourceMerger released(Policy::Off);
    released.Receive(SacnPacket(samples::Sacn({40}, {.sequence = 1})), start);
    released.Receive(SacnPacket(samples::Sacn({0}, {.sequence = 2, .startCode = 0xdd})),
                     start + milliseconds(1000));
    EXPECT_EQ(released.Look()[0], 0);
    released.Receive(SacnPacket(samples::Sacn({40}, {.sequence = 3})), start + milliseconds(2000));
    EXPECT_EQ(released.NextExpiry(), start + milliseconds(3500));
    EXPECT_TRUE(released.Expire(start + milliseconds(3500)));
    EXPECT_EQ(released.Look()[0], 40);
}

TEST(SourceMergerTest, TheBridgesConsoleDrivesWhatItTakesWhateverElseComesAndGoes) {
    SourceMerger merger(Policy::Hold);
    const SourceMerger::TimePoint start{};
    const Bytes network{10, 20};
    for (std::uint8_t source = 0; source < 17; ++source) {
        const Bytes bytes = samples::Sacn(network, {.cidSeed = source});
        merger.Receive(SacnPacket(bytes), start);
    }
    EXPECT_EQ(merger.Dropped().noRoom, 1U) << "the seventeenth";

    const Bytes levels{200, 200};
    const Bytes priorities{150, 0};
    EXPECT_TRUE(merger.SetConsole(levels, priorities, start)) << "not refused for lack of room";
    EXPECT_EQ(Bytes(merger.Look().begin(), merger.Look().begin() + 3), (Bytes{200, 20, 0}));
    EXPECT_EQ(merger.SlotDrivers()[0], 16);
    EXPECT_EQ(merger.SlotDrivers()[1], 0) << "equal levels: the first source";
    EXPECT_EQ(merger.SlotDrivers()[2], 0) << "0 is a level like any other";

    // Every network source gone: the console stays over the held look.
    EXPECT_FALSE(merger.Expire(start + milliseconds(10000)));
    ASSERT_EQ(merger.Sources().size(), 1U);
    EXPECT_EQ(merger.Sources()[0].key, SourceKey::Console());
    ASSERT_TRUE(merger.LastLoss());
    EXPECT_EQ(merger.LastLoss()->at, start + milliseconds(10000));
    EXPECT_TRUE(merger.LastLoss()->lasting);
    EXPECT_EQ(merger.SlotDrivers()[1], SourceMerger::kNoDriver);

    EXPECT_TRUE(merger.ReleaseConsole(start + milliseconds(20000)));
    EXPECT_EQ(Bytes(merger.Look().begin(), merger.Look().begin() + 2), network);
    EXPECT_EQ(merger.SlotDrivers()[0], SourceMerger::kNoDriver);
}

}  // namespace
}  // namespace dimrix::bridge
