#include "serial/SerialLink.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "serial/LinkError.h"
#include "support/RecordingPort.h"

namespace dimrix::serial {
namespace {

using testing::PortLog;
using testing::RecordingPort;

TEST(SerialLinkTest, OpensWithNumberThenSettingsThenOpenThenThreshold) {
    PortLog log;
    SerialLink link(std::make_unique<RecordingPort>(log));
    EXPECT_FALSE(link.IsOpen());
    link.Open(2);
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(log.calls, (std::vector<std::string>{"SetPortNumber 2", "SetSettings 19200,N,8,1",
                                                   "Open", "SetReceiveThreshold 1"}));
}

TEST(SerialLinkTest, FailedOpenSkipsTheThresholdAndStaysClosed) {
    PortLog log;
    log.failOpenWith = errors::kPortBusy;
    SerialLink link(std::make_unique<RecordingPort>(log));
    try {
        link.Open(1);
        FAIL() << "open should fail";
    } catch (const LinkError& error) {
        EXPECT_EQ(error.Number(), errors::kPortBusy);
    }
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(log.calls.back(), "Open");
}

TEST(SerialLinkTest, SendOnClosedPortFailsWithPortNotOpenAndWritesNothing) {
    PortLog log;
    SerialLink link(std::make_unique<RecordingPort>(log));
    try {
        link.SendByte(128);
        FAIL() << "send should fail";
    } catch (const LinkError& error) {
        EXPECT_EQ(error.Number(), 8018);
    }
    EXPECT_TRUE(log.bytes.empty());
}

TEST(SerialLinkTest, SendBytesStopsAtTheFailingByte) {
    PortLog log;
    log.failWriteAfter = 3;
    log.failWriteWith = errors::kDeviceLost;
    SerialLink link(std::make_unique<RecordingPort>(log));
    link.Open(1);
    const std::vector<protocol::Byte> frame{130, 1, 2, 3, 4, 5, 6, 7, 8, 255};
    try {
        link.SendBytes(frame);
        FAIL() << "send should fail";
    } catch (const LinkError& error) {
        EXPECT_EQ(error.Number(), errors::kDeviceLost);
    }
    EXPECT_EQ(log.bytes, (std::vector<protocol::Byte>{130, 1, 2}));
}

}  // namespace
}  // namespace dimrix::serial
