#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "PanelFixture.h"

namespace dimrix::testing {
namespace {

// Reads a line capture back into frames. A frame may end early only where a write
// failed; everything else must be a whole frame of a known kind with every byte in its
// class. Returns an empty string when the stream is sound, else what is wrong.
std::string CheckStream(const std::vector<protocol::Byte>& bytes,
                        const std::vector<std::size_t>& cuts) {
    std::size_t position = 0;
    while (position < bytes.size()) {
        const int first = bytes[position];
        std::vector<bool (*)(int)> rest;
        const auto level = [](int b) { return b >= 0 && b <= 100; };
        const auto end = [](int b) { return b == 255; };
        if (first >= 128 && first <= 158) {
            rest.assign(8, +level);
            rest.push_back(+end);
        } else if (first == 109) {
            rest = {+level, +end};
        } else if (first == 110 || first == 111 || first == 113 || first == 115 || first == 117 ||
                   first == 120) {
            rest = {+end};
        } else {
            return "byte " + std::to_string(first) + " starts no frame at " +
                   std::to_string(position);
        }
        const std::size_t frameEnd = position + 1 + rest.size();
        const auto cut = std::find_if(cuts.begin(), cuts.end(),
                                      [&](std::size_t c) { return c > position && c < frameEnd; });
        const std::size_t stop = cut != cuts.end() ? *cut : frameEnd;
        if (stop > bytes.size()) {
            return "frame at " + std::to_string(position) + " is incomplete without a failure";
        }
        for (std::size_t i = position + 1; i < stop; ++i) {
            if (!rest[i - position - 1](bytes[i])) {
                return "byte " + std::to_string(bytes[i]) + " out of its class at " +
                       std::to_string(i);
            }
        }
        position = stop;
    }
    return {};
}

class RandomOperationsTest : public PanelFixture {
protected:
    void CheckControls(const std::string& where) {
        ASSERT_EQ(model.Text1(), std::to_string(model.VScroll3().Value())) << where;
        ASSERT_EQ(model.Label12(), std::to_string(model.VScroll2().Value())) << where;
        for (int channel = 0; channel < protocol::kChannelCount; ++channel) {
            ASSERT_EQ(model.Label2(channel), std::to_string(model.VScroll1(channel).Value()))
                << where;
        }
    }

    // Only the selected board fades: any address byte a tick sends is the selected one.
    void CheckTickAddresses(std::size_t from, const std::string& where) {
        for (std::size_t i = from; i < log.bytes.size(); ++i) {
            if (log.bytes[i] >= 128 && log.bytes[i] <= 158) {
                ASSERT_EQ(std::to_string(log.bytes[i]), model.Text1()) << where;
            }
        }
    }

    void Run(std::uint32_t seed, int operations) {
        std::mt19937 random(seed);
        const auto pick = [&](int low, int high) {
            return std::uniform_int_distribution<int>(low, high)(random);
        };
        const auto level = [&] { return static_cast<protocol::Level>(pick(0, 100)); };
        const auto address = [&] { return static_cast<protocol::Address>(pick(128, 158)); };

        for (int step = 0; step < operations; ++step) {
            const std::string where =
                "seed " + std::to_string(seed) + " step " + std::to_string(step);
            log.failWriteAfter.reset();
            log.failOpenWith.reset();
            if (pick(0, 19) == 0) {
                log.failWriteAfter = log.bytes.size() + static_cast<std::size_t>(pick(0, 40));
                log.failWriteWith = 8020;
            }
            const std::size_t before = log.bytes.size();
            const int op = pick(0, 29);
            if (op < 10) {
                model.Timer2_Timer();
                CheckTickAddresses(before, where);
            } else if (op < 13) {
                model.VScroll1(pick(0, 7)).SetValue(level());
            } else if (op == 13) {
                SliderModel& slider = model.VScroll1(pick(0, 7));
                slider.DragTo(level());
                slider.DragTo(level());
                slider.EndDrag();
            } else if (op < 16) {
                model.Command9_Click(pick(0, 7));
            } else if (op < 18) {
                model.Command10_Click(pick(0, 7));
            } else if (op == 18) {
                model.VScroll3().SetValue(address());
            } else if (op == 19) {
                model.VScroll3().DragTo(address());
                if (pick(0, 1) == 0) {
                    model.VScroll3().EndDrag();
                }
            } else if (op == 20) {
                const Click presets[] = {
                    &panel::PanelModel::Command2_Click, &panel::PanelModel::Command3_Click,
                    &panel::PanelModel::Command7_Click, &panel::PanelModel::Command4_Click,
                    &panel::PanelModel::Command8_Click, &panel::PanelModel::Command5_Click};
                (model.*presets[pick(0, 5)])();
            } else if (op == 21) {
                model.VScroll2().SetValue(level());
            } else if (op == 22) {
                model.Command6_Click();
            } else if (op == 23) {
                model.Timer1_Timer();
            } else if (op < 27) {
                if (pick(0, 4) == 0) {
                    log.failOpenWith = 8005;
                }
                model.SelectPort(static_cast<std::int16_t>(pick(1, 2)));
                model.Command1_Click();
            } else if (op == 27) {
                model.Form_Unload();
            } else {
                model.VScroll3_Change();
            }
            CheckControls(where);
            if (::testing::Test::HasFatalFailure()) {
                return;
            }
        }
        // A run that never reached the line, or never failed on it, would prove nothing.
        EXPECT_GT(log.bytes.size(), 10000u);
        EXPECT_FALSE(log.cuts.empty());
        EXPECT_EQ(CheckStream(log.bytes, log.cuts), "") << "seed " << seed;
    }

    using Click = void (panel::PanelModel::*)();
    using SliderModel = panel::SliderModel;
};

TEST(StreamCheckTest, AcceptsWholeAndCutFramesRejectsStrayBytes) {
    EXPECT_EQ(CheckStream({128, 0, 0, 0, 0, 0, 0, 0, 0, 255, 109, 5, 255, 120, 255}, {}), "");
    EXPECT_EQ(CheckStream({128, 0, 0, 115, 255}, {3}), "");
    EXPECT_NE(CheckStream({128, 0, 0, 115, 255}, {}), "");
    EXPECT_NE(CheckStream({109, 101, 255}, {}), "");
    EXPECT_NE(CheckStream({112, 255}, {}), "");
    EXPECT_NE(CheckStream({128, 0}, {}), "");
}

TEST_F(RandomOperationsTest, InvariantsHoldOverThousandsOfRandomOperations) {
    Run(20261208, 5000);
}

TEST_F(RandomOperationsTest, InvariantsHoldForAnotherSeed) {
    Run(7, 5000);
}

}  // namespace
}  // namespace dimrix::testing
