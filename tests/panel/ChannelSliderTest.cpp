#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PanelFixture.h"

namespace dimrix::testing {
namespace {

using panel::Control;
using panel::ControlId;

using StartStateTest = PanelFixture;

TEST_F(StartStateTest, EveryControlAtItsInitialValueAndNothingSent) {
    EXPECT_EQ(Levels(), std::vector<int>(8, 0));
    EXPECT_EQ(Readouts(), std::vector<std::string>(8, "0"));
    for (int channel = 0; channel < 8; ++channel) {
        EXPECT_EQ(model.VScroll1(channel).Min(), 100);
        EXPECT_EQ(model.VScroll1(channel).Max(), 0);
    }
    EXPECT_EQ(model.VScroll2().Value(), 0);
    EXPECT_EQ(model.VScroll2().Min(), 100);
    EXPECT_EQ(model.Label12(), "0");
    EXPECT_EQ(model.VScroll3().Value(), 128);
    EXPECT_EQ(model.VScroll3().Min(), 158);
    EXPECT_EQ(model.VScroll3().Max(), 128);
    EXPECT_EQ(model.Text1(), "128");
    EXPECT_TRUE(model.Option1());
    EXPECT_FALSE(model.Option2());
    EXPECT_EQ(model.Command1Caption(), "GO");
    EXPECT_FALSE(model.PortIsOpen());
    for (protocol::Address address = 128; address <= 158; ++address) {
        EXPECT_EQ(StoredLevels(address), std::vector<int>(8, 0));
    }
    EXPECT_EQ(model.Timer2().interval.count(), 25);
    EXPECT_TRUE(model.Timer2().enabled);
    EXPECT_EQ(model.Timer1().interval.count(), 5000);
    EXPECT_FALSE(model.Timer1().enabled);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_TRUE(log.bytes.empty());
    EXPECT_TRUE(listener.changes.empty());
}

using ChannelSliderTest = PanelFixture;

TEST_F(ChannelSliderTest, MoveSendsSelectedBoardFrameAfterUpdatingReadout) {
    Connect();
    model.VScroll1(3).SetValue(40);
    EXPECT_EQ(Sent(), (std::vector<int>{128, 0, 0, 0, 40, 0, 0, 0, 0, 255}));
    EXPECT_EQ(model.Label2(3), "40");
    EXPECT_EQ(listener.changes,
              (std::vector<ControlId>{{Control::ChannelSlider, 3}, {Control::ChannelReadout, 3}}));
    EXPECT_TRUE(listener.messages.empty());
}

TEST_F(ChannelSliderTest, DragSendsOneFramePerPositionAndOneAtRelease) {
    Connect();
    model.VScroll1(0).DragTo(1);
    model.VScroll1(0).DragTo(2);
    model.VScroll1(0).DragTo(3);
    model.VScroll1(0).EndDrag();
    EXPECT_EQ(Sent(), Stream({{128, 1, 0, 0, 0, 0, 0, 0, 0, 255},
                              {128, 2, 0, 0, 0, 0, 0, 0, 0, 255},
                              {128, 3, 0, 0, 0, 0, 0, 0, 0, 255},
                              {128, 3, 0, 0, 0, 0, 0, 0, 0, 255}}));
    EXPECT_EQ(model.Label2(0), "3");
}

TEST_F(ChannelSliderTest, FrameCarriesEveryLiveSliderNotJustTheMovedOne) {
    Connect();
    SetLevels({5, 0, 0, 0, 0, 0, 0, 99});
    Forget();
    model.VScroll1(4).SetValue(100);
    EXPECT_EQ(Sent(), (std::vector<int>{128, 5, 0, 0, 0, 100, 0, 0, 99, 255}));
}

TEST_F(ChannelSliderTest, SameValueSendsNothing) {
    Connect();
    model.VScroll1(6).SetValue(0);
    EXPECT_TRUE(log.bytes.empty());
    EXPECT_TRUE(listener.changes.empty());
}

TEST_F(ChannelSliderTest, ClosedPortStillUpdatesReadoutAndReportsOnce) {
    // The view must already show the new value while the report is up.
    std::vector<std::string> seenDuringReport;
    listener.onMessage = [&] { seenDuringReport.push_back(model.Label2(2)); };
    model.VScroll1(2).SetValue(17);
    EXPECT_EQ(model.Label2(2), "17");
    EXPECT_EQ(listener.messages, (std::vector<Message>{{"Dimrix", kOpenPortFirst}}));
    EXPECT_EQ(seenDuringReport, std::vector<std::string>{"17"});
    EXPECT_TRUE(log.bytes.empty());
}

TEST_F(ChannelSliderTest, FailureMidFrameSendsNothingAfterTheFailingByte) {
    Connect();
    log.failWriteAfter = 4;
    log.failWriteWith = 8020;
    model.VScroll1(1).SetValue(60);
    EXPECT_EQ(Sent(), (std::vector<int>{128, 0, 60, 0}));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error number: 8020"});

    // Nothing is retried, and the next move starts a whole new frame.
    log.failWriteAfter.reset();
    Forget();
    model.VScroll1(1).SetValue(61);
    EXPECT_EQ(Sent(), (std::vector<int>{128, 0, 61, 0, 0, 0, 0, 0, 0, 255}));
    EXPECT_TRUE(listener.messages.empty());
}

TEST_F(ChannelSliderTest, MasterSliderOnlyMovesItsReadout) {
    Connect();
    model.VScroll2().SetValue(73);
    model.VScroll2().DragTo(74);
    model.VScroll2().EndDrag();
    EXPECT_EQ(model.Label12(), "74");
    EXPECT_TRUE(log.bytes.empty());
    EXPECT_TRUE(listener.messages.empty());
    EXPECT_EQ(Readouts(), std::vector<std::string>(8, "0"));
}

TEST_F(ChannelSliderTest, MasterReadoutNeedsNoOpenPort) {
    model.VScroll2().SetValue(100);
    EXPECT_EQ(model.Label12(), "100");
    EXPECT_TRUE(listener.messages.empty());
}

}  // namespace
}  // namespace dimrix::testing
