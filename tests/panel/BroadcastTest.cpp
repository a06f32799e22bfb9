#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PanelFixture.h"

namespace dimrix::testing {
namespace {

using Click = void (panel::PanelModel::*)();

struct PresetCase {
    const char* caption;
    Click click;
    int code;
    int level;
};

const PresetCase kPresetCases[] = {
    {"All OFF", &panel::PanelModel::Command2_Click, 110, 0},
    {"ALL 10%", &panel::PanelModel::Command3_Click, 111, 10},
    {"ALL 30%", &panel::PanelModel::Command7_Click, 113, 30},
    {"ALL 50%", &panel::PanelModel::Command4_Click, 115, 50},
    {"ALL 70%", &panel::PanelModel::Command8_Click, 117, 70},
    {"ALL 100%", &panel::PanelModel::Command5_Click, 120, 100},
};

// The frames the selected board receives while its eight sliders move, one by one,
// from all-zero to level: each carries the channels moved so far.
std::vector<int> GrowingFrames(int address, int level) {
    std::vector<int> stream;
    for (int moved = 1; moved <= 8; ++moved) {
        stream.push_back(address);
        for (int channel = 0; channel < 8; ++channel) {
            stream.push_back(channel < moved ? level : 0);
        }
        stream.push_back(255);
    }
    return stream;
}

using BroadcastTest = PanelFixture;

TEST_F(BroadcastTest, All50AtBoard130FromZero) {
    model.VScroll3().SetValue(130);
    Connect();
    model.Command4_Click();
    EXPECT_EQ(Sent(), Stream({{115, 255}, GrowingFrames(130, 50)}));
    for (protocol::Address address = 128; address <= 158; ++address) {
        ASSERT_EQ(StoredLevels(address), std::vector<int>(8, 50)) << address;
    }
    EXPECT_EQ(Readouts(), std::vector<std::string>(8, "50"));
    EXPECT_TRUE(listener.messages.empty());
}

TEST_F(BroadcastTest, EveryPresetSendsItsCodeThenMovesTheSliders) {
    for (const PresetCase& preset : kPresetCases) {
        SCOPED_TRACE(preset.caption);
        PortLog presetLog;
        RecordingListener presetListener;
        panel::PanelModel panel(std::make_unique<RecordingPort>(presetLog), presetListener);
        panel.Command1_Click();
        panel.VScroll1(7).SetValue(1);  // so that even "All OFF" moves one slider
        presetLog.bytes.clear();

        (panel.*preset.click)();
        std::vector<int> sent(presetLog.bytes.begin(), presetLog.bytes.end());
        ASSERT_GE(sent.size(), 12u);
        EXPECT_EQ((std::vector<int>{sent[0], sent[1]}), (std::vector<int>{preset.code, 255}));
        const std::vector<int> lastFrame(sent.end() - 10, sent.end());
        EXPECT_EQ(lastFrame, Stream({{128}, std::vector<int>(8, preset.level), {255}}));
        EXPECT_EQ(panel.Levels().At(158, 7), preset.level);
        EXPECT_EQ(panel.Label2(7), std::to_string(preset.level));
        EXPECT_TRUE(presetListener.messages.empty());
    }
}

TEST_F(BroadcastTest, AllOffWhenAlreadyOffSendsOnlyTheCodeButStillClearsTheTable) {
    Connect();
    model.Command7_Click();  // every table entry 30
    SetLevels({0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(StoredLevels(140), std::vector<int>(8, 30));
    Forget();

    model.Command2_Click();
    EXPECT_EQ(Sent(), (std::vector<int>{110, 255}));
    for (protocol::Address address = 128; address <= 158; ++address) {
        ASSERT_EQ(StoredLevels(address), std::vector<int>(8, 0)) << address;
    }
}

TEST_F(BroadcastTest, SendBroadcastsTheMasterLevelThenMovesTheSliders) {
    Connect();
    model.VScroll2().SetValue(73);
    model.Command6_Click();
    EXPECT_EQ(Sent(), Stream({{109, 73, 255}, GrowingFrames(128, 73)}));
    EXPECT_EQ(StoredLevels(158), std::vector<int>(8, 73));
    EXPECT_EQ(Readouts(), std::vector<std::string>(8, "73"));
}

TEST_F(BroadcastTest, AnyBroadcastWithThePortClosedReportsOnceAndChangesNothing) {
    std::vector<Click> clicks;
    for (const PresetCase& preset : kPresetCases) {
        clicks.push_back(preset.click);
    }
    clicks.push_back(&panel::PanelModel::Command6_Click);

    model.VScroll2().SetValue(20);
    SetLevels({1, 2, 3, 4, 5, 6, 7, 8});
    Forget();
    for (const Click click : clicks) {
        (model.*click)();
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{kOpenPortFirst});
        EXPECT_EQ(Levels(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        EXPECT_EQ(model.Label2(7), "8");
        EXPECT_EQ(StoredLevels(128), std::vector<int>(8, 0));
        EXPECT_TRUE(log.bytes.empty());
        Forget();
    }
}

TEST_F(BroadcastTest, FailureInsideThePresetFrameStopsTheWholeBroadcast) {
    Connect();
    log.failWriteAfter = 1;
    log.failWriteWith = 8022;
    model.Command5_Click();
    EXPECT_EQ(Sent(), (std::vector<int>{120}));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error number: 8022"});
    EXPECT_EQ(Levels(), std::vector<int>(8, 0));
    EXPECT_EQ(StoredLevels(128), std::vector<int>(8, 0));
}

// Once the preset is out, each slider's own handler sends and reports: a line that dies
// after the first slider frame gives one report per remaining slider, and the broadcast
// still completes so that the panel shows what the boards were told.
TEST_F(BroadcastTest, FailureInTheSliderFramesIsReportedPerSliderAndTheBroadcastCompletes) {
    Connect();
    log.failWriteAfter = 2 + 10 + 3;
    log.failWriteWith = 8022;
    model.Command4_Click();
    EXPECT_EQ(Sent(), Stream({{115, 255}, {128, 50, 0, 0, 0, 0, 0, 0, 0, 255}, {128, 50, 50}}));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>(7, "Error number: 8022"));
    EXPECT_EQ(Levels(), std::vector<int>(8, 50));
    EXPECT_EQ(Readouts(), std::vector<std::string>(8, "50"));
    EXPECT_EQ(StoredLevels(158), std::vector<int>(8, 50));
}

}  // namespace
}  // namespace dimrix::testing
