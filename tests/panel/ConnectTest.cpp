#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "PanelFixture.h"
#include "serial/ErrorNumber.h"

namespace dimrix::testing {
namespace {

using panel::Control;
using panel::ControlId;
using Calls = std::vector<std::string>;

using ConnectTest = PanelFixture;

TEST_F(ConnectTest, OpensTheChosenPortInOrderAndGoesOnline) {
    model.Command1_Click();
    EXPECT_EQ(log.calls, (Calls{"SetPortNumber 1", "SetSettings 19200,N,8,1", "Open",
                                "SetReceiveThreshold 1"}));
    EXPECT_TRUE(model.PortIsOpen());
    EXPECT_EQ(model.Command1Caption(), "Online");
    EXPECT_EQ(listener.changes.back(), (ControlId{Control::ConnectCaption}));
    EXPECT_TRUE(log.bytes.empty());
}

TEST_F(ConnectTest, PortChoiceIsReadOnlyOnConnectAndReconnectClosesFirst) {
    model.SelectPort(2);
    model.Command1_Click();
    EXPECT_EQ(log.calls.front(), "SetPortNumber 2");
    log.calls.clear();

    model.SelectPort(1);
    EXPECT_TRUE(model.Option1());
    EXPECT_TRUE(log.calls.empty());

    // The recording port refuses a second open of an open port, so a reconnect that
    // forgot to close would throw here.
    model.Command1_Click();
    EXPECT_EQ(log.calls, (Calls{"Close", "SetPortNumber 1", "SetSettings 19200,N,8,1", "Open",
                                "SetReceiveThreshold 1"}));
    EXPECT_EQ(model.Command1Caption(), "Online");
}

TEST_F(ConnectTest, OnlyComOneAndComTwoCanBeChosen) {
    EXPECT_THROW(model.SelectPort(0), std::out_of_range);
    EXPECT_THROW(model.SelectPort(3), std::out_of_range);
    EXPECT_TRUE(model.Option1());
}

TEST_F(ConnectTest, FailedOpenIsReportedKeepsTheCaptionAndLeavesThePortClosed) {
    log.failOpenWith = serial::errors::kDeviceNotFound;
    model.Command1_Click();
    EXPECT_EQ(model.Command1Caption(), "GO");
    EXPECT_FALSE(model.PortIsOpen());
    ASSERT_EQ(listener.messages.size(), 1u);
    EXPECT_EQ(listener.messages[0].title, "Dimrix");
    EXPECT_EQ(listener.messages[0].text,
              "Cannot open COM1: /dev/ttyTEST: no such device\n\nError number: 8002");
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "SetReceiveThreshold 1"), 0);

    // The panel goes on: once the device is there, GO connects.
    log.failOpenWith.reset();
    model.Command1_Click();
    EXPECT_EQ(model.Command1Caption(), "Online");
    EXPECT_TRUE(model.PortIsOpen());
}

TEST_F(ConnectTest, FailedReconnectLeavesThePortClosedAndSendsReportNotOpen) {
    Connect();
    log.failOpenWith = serial::errors::kPortBusy;
    model.SelectPort(2);
    model.Command1_Click();
    EXPECT_FALSE(model.PortIsOpen());
    EXPECT_EQ(log.calls.front(), "Close");
    EXPECT_EQ(listener.messages.size(), 1u);
    Forget();

    model.VScroll1(0).SetValue(10);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kOpenPortFirst});
    EXPECT_TRUE(log.bytes.empty());
}

TEST_F(ConnectTest, UnloadClosesAnOpenPortAndLeavesAClosedOneAlone) {
    model.Form_Unload();
    EXPECT_TRUE(log.calls.empty());

    Connect();
    model.Form_Unload();
    EXPECT_EQ(log.calls, Calls{"Close"});
    EXPECT_FALSE(log.open);
}

}  // namespace
}  // namespace dimrix::testing
