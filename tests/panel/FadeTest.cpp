#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PanelFixture.h"

namespace dimrix::testing {
namespace {

using panel::FadeMode;

class FadeTest : public PanelFixture {
protected:
    FadeMode Mode(int channel) const { return model.Fades().At(128, channel); }
    // Every channel at 30, even channels fading up and odd ones down.
    void ConnectAndFadeFromThirtyBothWays() {
        Connect();
        model.Command7_Click();  // ALL 30%
        for (int channel = 0; channel < 8; ++channel) {
            channel % 2 == 0 ? model.Command9_Click(channel) : model.Command10_Click(channel);
        }
    }
    // The channel's fade is off, as its own button would have left it.
    void ExpectFadeOff(int channel) const {
        EXPECT_EQ(Mode(channel), FadeMode::None) << channel;
        EXPECT_EQ(model.FadeUpOn(channel), 0) << channel;
        EXPECT_EQ(model.FadeDownOn(channel), 0) << channel;
    }
    void Ticks(int count) {
        for (int tick = 0; tick < count; ++tick) {
            model.Timer2_Timer();
        }
    }
};

TEST_F(FadeTest, UpFromNinetyEightTakesTwoStepsThenAClearingTick) {
    Connect();
    model.VScroll1(0).SetValue(98);
    model.Command9_Click(0);
    Forget();

    model.Timer2_Timer();
    model.Timer2_Timer();
    EXPECT_EQ(Sent(),
              Stream({{128, 99, 0, 0, 0, 0, 0, 0, 0, 255}, {128, 100, 0, 0, 0, 0, 0, 0, 0, 255}}));
    EXPECT_EQ(Mode(0), FadeMode::Up);
    EXPECT_EQ(model.FadeUpOn(0), 1);

    Forget();
    model.Timer2_Timer();
    EXPECT_TRUE(log.bytes.empty());
    EXPECT_EQ(Mode(0), FadeMode::None);
    EXPECT_EQ(model.FadeUpOn(0), 0);
}

TEST_F(FadeTest, FullFadeIsOneHundredSteppingTicksPlusOneClearingTick) {
    Connect();
    model.Command9_Click(5);
    Ticks(100);
    ASSERT_EQ(log.bytes.size(), 100u * 10u);
    const std::vector<int> sent = Sent();
    for (int step = 1; step <= 100; ++step) {
        const std::vector<int> frame(sent.begin() + (step - 1) * 10, sent.begin() + step * 10);
        ASSERT_EQ(frame, (std::vector<int>{128, 0, 0, 0, 0, 0, step, 0, 0, 255})) << step;
    }
    EXPECT_EQ(Mode(5), FadeMode::Up);
    model.Timer2_Timer();
    EXPECT_EQ(Mode(5), FadeMode::None);
    Forget();
    Ticks(10);
    EXPECT_TRUE(log.bytes.empty());
}

TEST_F(FadeTest, ButtonsToggleTheirDirectionAndSwitchTheOtherOff) {
    struct Case {
        const char* name;
        std::vector<std::pair<char, int>> presses;  // '+' for F+, '-' for F-, on channel
        FadeMode mode;
        int upOn;
        int downOn;
    };
    const Case cases[] = {
        {"F+", {{'+', 3}}, FadeMode::Up, 1, 0},
        {"F+ twice", {{'+', 3}, {'+', 3}}, FadeMode::None, 0, 0},
        {"F-", {{'-', 3}}, FadeMode::Down, 0, 1},
        {"F- twice", {{'-', 3}, {'-', 3}}, FadeMode::None, 0, 0},
        {"F+ then F-", {{'+', 3}, {'-', 3}}, FadeMode::Down, 0, 1},
        {"F- then F+", {{'-', 3}, {'+', 3}}, FadeMode::Up, 1, 0},
        // F+ while F- is on: F+'s own flag was off, so it switches up on.
        {"F- then F+ twice", {{'-', 3}, {'+', 3}, {'+', 3}}, FadeMode::None, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PortLog caseLog;
        RecordingListener caseListener;
        panel::PanelModel panel(std::make_unique<RecordingPort>(caseLog), caseListener);
        for (const auto& [button, channel] : c.presses) {
            button == '+' ? panel.Command9_Click(channel) : panel.Command10_Click(channel);
        }
        EXPECT_EQ(panel.Fades().At(128, 3), c.mode);
        EXPECT_EQ(panel.FadeUpOn(3), c.upOn);
        EXPECT_EQ(panel.FadeDownOn(3), c.downOn);
        EXPECT_TRUE(caseLog.bytes.empty());
        EXPECT_TRUE(caseListener.messages.empty());
    }
}

TEST_F(FadeTest, UpThenDownMovesTheSliderDown) {
    Connect();
    model.VScroll1(1).SetValue(50);
    model.Command9_Click(1);
    model.Command10_Click(1);
    Forget();
    model.Timer2_Timer();
    EXPECT_EQ(Sent(), (std::vector<int>{128, 0, 49, 0, 0, 0, 0, 0, 0, 255}));
}

TEST_F(FadeTest, DownAtZeroClearsWithoutSending) {
    Connect();
    model.Command10_Click(4);
    model.Timer2_Timer();
    EXPECT_TRUE(log.bytes.empty());
    EXPECT_EQ(Mode(4), FadeMode::None);
    EXPECT_EQ(model.FadeDownOn(4), 0);
}

// A failed step is reported once and ends its channel's fade, as if its button had been
// pressed: the operator is never buried under one report per step.
TEST_F(FadeTest, ClosedPortFadeReportsOnceThenStops) {
    model.VScroll1(5).SetValue(50);
    Forget();
    model.Command9_Click(2);
    model.Command10_Click(5);
    Ticks(10);
    EXPECT_EQ(model.VScroll1(2).Value(), 1);
    EXPECT_EQ(model.Label2(2), "1");
    EXPECT_EQ(model.VScroll1(5).Value(), 49);
    EXPECT_EQ(model.Label2(5), "49");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>(2, kOpenPortFirst));
    for (const int channel : {2, 5}) {
        ExpectFadeOff(channel);
    }
}

TEST_F(FadeTest, LineLostUnderEightFadesReportsEachChannelOnceThenGoesQuiet) {
    ConnectAndFadeFromThirtyBothWays();
    Forget();
    model.Timer2_Timer();
    // In the second tick channels 0 and 1 still get through; the line dies in the middle
    // of channel 2's frame.
    log.failWriteAfter = 8 * 10 + 2 * 10 + 5;
    log.failWriteWith = serial::errors::kDeviceLost;
    Ticks(20);

    EXPECT_EQ(MessageTexts(), std::vector<std::string>(8, "Error number: 8022"));
    EXPECT_EQ(log.cuts.size(), 8u);
    // Every channel moved once more with its failed step, then stopped.
    EXPECT_EQ(Levels(), (std::vector<int>{33, 27, 32, 28, 32, 28, 32, 28}));
    for (int channel = 0; channel < 8; ++channel) {
        ExpectFadeOff(channel);
    }

    // Once GO has opened the line again, one press of F+ fades again.
    log.failWriteAfter.reset();
    model.Command1_Click();
    Forget();
    model.Command9_Click(0);
    Ticks(2);
    EXPECT_EQ(Sent(), Stream({{128, 34, 27, 32, 28, 32, 28, 32, 28, 255},
                              {128, 35, 27, 32, 28, 32, 28, 32, 28, 255}}));
    EXPECT_TRUE(listener.messages.empty());
}

TEST_F(FadeTest, OperatorMoveDuringAFadeIsWhereTheNextStepStarts) {
    Connect();
    model.Command9_Click(6);
    model.Timer2_Timer();
    model.VScroll1(6).SetValue(50);
    Forget();
    model.Timer2_Timer();
    EXPECT_EQ(Sent(), (std::vector<int>{128, 0, 0, 0, 0, 0, 0, 51, 0, 255}));
}

TEST_F(FadeTest, EveryFadingChannelStepsOncePerTickInChannelOrder) {
    ConnectAndFadeFromThirtyBothWays();
    Forget();
    model.Timer2_Timer();
    EXPECT_EQ(Sent(), Stream({{128, 31, 30, 30, 30, 30, 30, 30, 30, 255},
                              {128, 31, 29, 30, 30, 30, 30, 30, 30, 255},
                              {128, 31, 29, 31, 30, 30, 30, 30, 30, 255},
                              {128, 31, 29, 31, 29, 30, 30, 30, 30, 255},
                              {128, 31, 29, 31, 29, 31, 30, 30, 30, 255},
                              {128, 31, 29, 31, 29, 31, 29, 30, 30, 255},
                              {128, 31, 29, 31, 29, 31, 29, 31, 30, 255},
                              {128, 31, 29, 31, 29, 31, 29, 31, 29, 255}}));
}

// A report box runs a nested event loop in which timers keep firing. A tick delivered
// there must not step anything: it would run inside the handler that showed the box.
TEST_F(FadeTest, TicksDeliveredWhileAReportIsShowingDoNothing) {
    model.Command9_Click(0);
    int nestedTicks = 0;
    listener.onMessage = [&] {
        ++nestedTicks;
        model.Timer2_Timer();
        model.Timer1_Timer();
    };
    model.Timer2_Timer();
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(model.VScroll1(0).Value(), 1);
    EXPECT_EQ(listener.messages.size(), 1u);
    EXPECT_EQ(StoredLevels(128), std::vector<int>(8, 0));
}

// The same for a report raised by an operator's slider move: its box runs inside the
// channel-slider handler, and a fade tick delivered there must wait until it is gone.
TEST_F(FadeTest, TickDeliveredWhileASliderMoveIsReportingDoesNotStep) {
    Connect();
    model.Command9_Click(0);
    log.failWriteAfter = 0;
    log.failWriteWith = serial::errors::kWriteFailed;
    int nestedTicks = 0;
    listener.onMessage = [&] {
        ++nestedTicks;
        log.failWriteAfter.reset();  // the line works again while the box is open
        model.Timer2_Timer();
    };
    model.VScroll1(3).SetValue(40);
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error number: 8020"});
    EXPECT_EQ(model.VScroll1(0).Value(), 0);
    EXPECT_TRUE(log.bytes.empty());

    // Once the box is gone, ticks run again.
    listener.onMessage = nullptr;
    model.Timer2_Timer();
    EXPECT_EQ(Sent(), (std::vector<int>{128, 1, 0, 0, 40, 0, 0, 0, 0, 255}));
    EXPECT_EQ(Mode(0), FadeMode::Up);
}

}  // namespace
}  // namespace dimrix::testing
