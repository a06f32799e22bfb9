#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "panel/PanelModel.h"
#include "protocol/LineDecoder.h"
#include "serial/qt/DeviceOpenLog.h"
#include "serial/qt/EventLoop.h"
#include "serial/qt/QtPortService.h"
#include "support/PseudoTerminal.h"
#include "support/RecordingListener.h"

// The headless panel driving the real port, with pseudo-terminals as COM1 and COM2.
namespace dimrix::serial {
namespace {

using panel::PanelModel;
using protocol::LineDecoder;
using testing::DeviceOpenLog;
using testing::EventLoop;
using testing::Message;
using testing::PseudoTerminal;
using testing::RecordingListener;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kFirstBoard = 128;
constexpr std::uint8_t kLastBoard = 158;
constexpr std::uint8_t kEnd = 255;
constexpr int kChannels = 8;
constexpr int kFadeSteps = 100;
// A fade notices its end one tick after the slider got there.
constexpr int kFadeTicks = kFadeSteps + 1;

class QtPanelLinkTest : public ::testing::Test {
protected:
    QtPanelLinkTest() { EventLoop::Ensure(); }

    std::unique_ptr<PanelModel> MakePanel(const PseudoTerminal& com1, const PseudoTerminal& com2) {
        return std::make_unique<PanelModel>(
            std::make_unique<QtPortService>(PortPaths{com1.SlavePath(), com2.SlavePath()}),
            m_listener);
    }

    // The first `count` bytes of a stream (all of it if shorter).
    static Bytes First(const Bytes& bytes, std::size_t count) {
        return {bytes.begin(),
                bytes.begin() + static_cast<std::ptrdiff_t>(std::min(count, bytes.size()))};
    }

    static Message Report(const std::string& text) { return {"Dimrix", text}; }

    static void ConnectAndFadeEveryChannelUp(PanelModel& model) {
        model.Command1_Click();
        for (int channel = 0; channel < kChannels; ++channel) {
            model.Command9_Click(channel);
        }
    }

    RecordingListener m_listener;
};

struct TermiosFlag {
    const char* name;
    tcflag_t termios::*field;
    tcflag_t mask;
    tcflag_t expected;
};

TEST_F(QtPanelLinkTest, ConnectSetsTheBoardsLineOnTheDevice) {
    PseudoTerminal com1(PseudoTerminal::Slave::Kept);
    PseudoTerminal com2;
    const auto model = MakePanel(com1, com2);
    model->Command1_Click();
    ASSERT_TRUE(m_listener.messages.empty());

    const termios attributes = com1.SlaveAttributes();
    EXPECT_EQ(cfgetospeed(&attributes), B19200);
    EXPECT_EQ(cfgetispeed(&attributes), B19200);
    const TermiosFlag flags[] = {
        {"8 data bits", &termios::c_cflag, CSIZE, CS8},
        {"no parity", &termios::c_cflag, PARENB, 0},
        {"1 stop bit", &termios::c_cflag, CSTOPB, 0},
        {"no hardware handshake", &termios::c_cflag, CRTSCTS, 0},
        {"no XON/XOFF on output", &termios::c_iflag, IXON, 0},
        {"no XON/XOFF on input", &termios::c_iflag, IXOFF, 0},
        {"modem lines ignored", &termios::c_cflag, CLOCAL, CLOCAL},
        {"bytes leave untranslated", &termios::c_oflag, OPOST, 0},
        {"no echo of the boards", &termios::c_lflag, ECHO | ICANON | ISIG, 0},
    };
    for (const TermiosFlag& flag : flags) {
        EXPECT_EQ(attributes.*flag.field & flag.mask, flag.expected) << flag.name;
    }
}

TEST_F(QtPanelLinkTest, SliderAndPresetFramesArriveByteExact) {
    PseudoTerminal com1;
    PseudoTerminal com2;
    const auto model = MakePanel(com1, com2);
    model->Command1_Click();
    // Levels that a terminal would take for LF, CR, XON and XOFF.
    model->VScroll1(0).SetValue(10);
    model->VScroll1(1).SetValue(13);
    model->VScroll1(2).SetValue(17);
    model->VScroll1(3).SetValue(19);
    model->Command4_Click();  // ALL 50%

    const Bytes expected{
        128, 10,  0,  0,  0,  0,  0,  0,  0,  255,  //
        128, 10,  13, 0,  0,  0,  0,  0,  0,  255,  //
        128, 10,  13, 17, 0,  0,  0,  0,  0,  255,  //
        128, 10,  13, 17, 19, 0,  0,  0,  0,  255,  //
        115, 255,                                   //
        128, 50,  13, 17, 19, 0,  0,  0,  0,  255,  //
        128, 50,  50, 17, 19, 0,  0,  0,  0,  255,  //
        128, 50,  50, 50, 19, 0,  0,  0,  0,  255,  //
        128, 50,  50, 50, 50, 0,  0,  0,  0,  255,  //
        128, 50,  50, 50, 50, 50, 0,  0,  0,  255,  //
        128, 50,  50, 50, 50, 50, 50, 0,  0,  255,  //
        128, 50,  50, 50, 50, 50, 50, 50, 0,  255,  //
        128, 50,  50, 50, 50, 50, 50, 50, 50, 255,  //
    };
    EXPECT_EQ(EventLoop::Receive(com1, expected.size()), expected);
    EXPECT_TRUE(m_listener.messages.empty());
}

TEST_F(QtPanelLinkTest, RefreshBurstSendsEveryBoardInOrder) {
    PseudoTerminal com1;
    PseudoTerminal com2;
    const auto model = MakePanel(com1, com2);
    model->Command1_Click();
    model->VScroll1(5).SetValue(42);
    ASSERT_EQ(EventLoop::Receive(com1, 10), (Bytes{128, 0, 0, 0, 0, 0, 42, 0, 0, 255}));

    model->Timer1_Timer();
    Bytes expected;
    for (int board = kFirstBoard; board <= kLastBoard; ++board) {
        const std::uint8_t level = board == kFirstBoard ? 42 : 0;
        expected.insert(expected.end(),
                        {static_cast<std::uint8_t>(board), 0, 0, 0, 0, 0, level, 0, 0, kEnd});
    }
    ASSERT_EQ(expected.size(), 310U);
    EXPECT_EQ(EventLoop::Receive(com1, expected.size()), expected);
    EXPECT_TRUE(m_listener.messages.empty());
}

TEST_F(QtPanelLinkTest, EightChannelsFadingFasterThanTheLineEndWhereThePanelEnds) {
    PseudoTerminal com1;
    PseudoTerminal com2;
    const auto model = MakePanel(com1, com2);
    ConnectAndFadeEveryChannelUp(*model);
    // Every tick back to back, with no event-loop pass between: 8,000 bytes queued at
    // once, far more than the line carries in the time. Only the newest frame of the
    // board is still worth sending.
    for (int tick = 0; tick < kFadeTicks; ++tick) {
        model->Timer2_Timer();
    }
    model->Command2_Click();  // All OFF
    model->VScroll1(3).SetValue(7);
    const Bytes last{kFirstBoard, 0, 0, 0, 7, 0, 0, 0, 0, kEnd};
    const Bytes received = EventLoop::ReceiveThrough(com1, last);
    LineDecoder boards;
    boards.Feed(received);
    EXPECT_EQ(boards.Malformed(), 0U) << "a frame was torn";
    EXPECT_LT(received.size(), 1000U) << "stale frames were sent";
    EXPECT_EQ(boards.Board(kFirstBoard), (protocol::ChannelLevels{0, 0, 0, 7, 0, 0, 0, 0}));
    // All OFF made every frame still waiting pointless, and went next.
    const Bytes allOff{110, kEnd};
    EXPECT_FALSE(std::ranges::search(received, allOff).empty());
    EXPECT_TRUE(m_listener.messages.empty());
}

TEST_F(QtPanelLinkTest, AllOffReachesALineReadAtItsOwnSpeedAtOnceWhileEightChannelsFade) {
    PseudoTerminal com1;
    PseudoTerminal com2;
    const auto model = MakePanel(com1, com2);
    ConnectAndFadeEveryChannelUp(*model);
    // The boards read 1,920 bytes a second, what 19200 baud carries, whatever the
    // pseudo-terminal would take; the fade ticks every 25 ms, producing 3,200.
    using Clock = std::chrono::steady_clock;
    constexpr double kLineBytesPerMs = 1.92;
    const Clock::time_point start = Clock::now();
    Bytes received;
    const auto readAtLineSpeed = [&] {
        const std::chrono::duration<double, std::milli> elapsed = Clock::now() - start;
        const auto due = static_cast<std::size_t>(elapsed.count() * kLineBytesPerMs);
        com1.ReadInto(received, due - std::min(due, received.size()));
    };
    QTimer fadeTimer;
    QObject::connect(&fadeTimer, &QTimer::timeout, [&] { model->Timer2_Timer(); });
    fadeTimer.start(std::chrono::milliseconds(25));
    EventLoop::SpinUntil(
        [&] {
            readAtLineSpeed();
            return false;
        },
        std::chrono::milliseconds(2000));

    model->Command2_Click();  // All OFF
    fadeTimer.stop();
    const Bytes allOff{110, kEnd};
    const std::size_t before = received.size();
    ASSERT_TRUE(EventLoop::SpinUntil([&] {
        readAtLineSpeed();
        return !std::ranges::search(std::span(received).subspan(before), allOff).empty();
    }));
    // Counted in bytes, not milliseconds: ahead of All OFF may come only what the driver
    // already held (its allowance, a frame and a bit), never the stale frames queued.
    constexpr std::size_t kBoardFrameBytes = 10;
    const auto tail = std::span(received).subspan(before);
    const auto ahead =
        static_cast<std::size_t>(std::ranges::search(tail, allOff).begin() - tail.begin());
    EXPECT_LE(ahead, 2 * kBoardFrameBytes) << "All OFF waited behind stale frames";

    // The sliders' frames after All OFF follow; the boards end where the panel ends.
    const Bytes last{kFirstBoard, 0, 0, 0, 0, 0, 0, 0, 0, kEnd};
    ASSERT_TRUE(EventLoop::SpinUntil([&] {
        readAtLineSpeed();
        return received.size() >= last.size() &&
               std::equal(last.rbegin(), last.rend(), received.rbegin());
    }));
    LineDecoder boards;
    boards.Feed(received);
    EXPECT_EQ(boards.Malformed(), 0U) << "a frame was torn";
    for (std::uint8_t board = kFirstBoard; board <= kLastBoard; ++board) {
        EXPECT_EQ(boards.Board(board), protocol::ChannelLevels{}) << int{board};
    }
    EXPECT_TRUE(m_listener.messages.empty());
}

TEST_F(QtPanelLinkTest, ConnectWhileOpenClosesBeforeOpeningAgain) {
    PseudoTerminal com1;
    PseudoTerminal com2;
    const auto model = MakePanel(com1, com2);
    DeviceOpenLog log({com1.SlavePath()});
    model->Command1_Click();
    model->Command1_Click();

    EXPECT_EQ(log.Events(),
              (std::vector<std::string>{"open " + com1.SlavePath(), "close " + com1.SlavePath(),
                                        "open " + com1.SlavePath()}));
    EXPECT_EQ(com1.SlaveDescriptorsHeld(), 1);
    EXPECT_EQ(model->Command1Caption(), "Online");
    EXPECT_TRUE(m_listener.messages.empty());
    model->Command2_Click();
    EXPECT_EQ(EventLoop::Receive(com1, 2), (Bytes{110, 255}));
}

TEST_F(QtPanelLinkTest, SwitchingPortsHangsUpTheFirstOnceItsQueueHasLeft) {
    PseudoTerminal com1;
    PseudoTerminal com2;
    const auto model = MakePanel(com1, com2);
    DeviceOpenLog log({com1.SlavePath(), com2.SlavePath()});
    model->Command1_Click();
    model->SelectPort(2);
    model->Command2_Click();  // the choice waits for GO
    EXPECT_EQ(EventLoop::Receive(com1, 2), (Bytes{110, 255}));
    EXPECT_FALSE(com1.SlaveHungUp());

    model->Command1_Click();
    // The first device lets its last bytes leave the wire while the second one opens.
    ASSERT_TRUE(EventLoop::SpinUntil([&] { return com1.SlaveHungUp(); }));
    std::vector<std::string> events = log.Events();
    std::ranges::sort(events);
    EXPECT_EQ(events,
              (std::vector<std::string>{"close " + com1.SlavePath(), "open " + com1.SlavePath(),
                                        "open " + com2.SlavePath()}));
    model->Command5_Click();  // ALL 100%
    EXPECT_EQ(First(EventLoop::Receive(com2, 2), 2), (Bytes{120, 255}));
    Bytes leftOnFirst;
    com1.ReadInto(leftOnFirst);
    EXPECT_TRUE(leftOnFirst.empty());
    EXPECT_TRUE(m_listener.messages.empty());
}

TEST_F(QtPanelLinkTest, ClosingTheWindowLetsQueuedBytesOutAndReleasesTheDevice) {
    PseudoTerminal com1;
    PseudoTerminal com2;
    {
        const auto model = MakePanel(com1, com2);
        model->Command1_Click();
        model->Timer1_Timer();
        model->Form_Unload();  // straight after the burst, before any event-loop pass
        EXPECT_FALSE(model->PortIsOpen());
    }
    // The program ends with the port: what was queued leaves before the device goes.
    EXPECT_TRUE(com1.SlaveHungUp());
    Bytes received;
    com1.ReadInto(received);
    EXPECT_EQ(received.size(), 310U);
    EXPECT_EQ(com1.SlaveDescriptorsHeld(), 0);

    const auto next = MakePanel(com1, com2);
    next->Command1_Click();
    EXPECT_TRUE(m_listener.messages.empty()) << "the device stayed locked after exit";
    EXPECT_TRUE(next->PortIsOpen());
}

TEST_F(QtPanelLinkTest, LostDeviceFailsTheNextSendOnceThenGoReconnects) {
    PseudoTerminal com1;
    PseudoTerminal com2;
    const auto model = MakePanel(com1, com2);
    model->Command1_Click();
    model->Command2_Click();
    ASSERT_EQ(EventLoop::Receive(com1, 2), (Bytes{110, 255}));
    const std::string lostDevice = com1.SlavePath();

    com1.CloseMaster();  // the adapter is unplugged
    model->Command3_Click();
    EXPECT_EQ(m_listener.messages, (std::vector<Message>{Report("Error number: 8022")}));

    // The dead descriptor is let go from the event loop, which then has nothing to do.
    EXPECT_TRUE(EventLoop::SpinUntil([&] { return com1.SlaveDescriptorsHeld() == 0; }));
    EXPECT_TRUE(model->PortIsOpen()) << "a failed port must not pass for one never opened";
    model->Command3_Click();
    EXPECT_EQ(m_listener.messages.size(), 2U) << "one report per handler run";
    EXPECT_EQ(m_listener.messages.back(), Report("Error number: 8022"));

    // GO on the same choice: the device is gone for good, so the open is reported.
    model->Command1_Click();
    EXPECT_EQ(m_listener.messages.back(),
              Report("Cannot open COM1: " + lostDevice +
                     ": No such file or directory\n\nError number: 8002"));
    EXPECT_EQ(model->Command1Caption(), "Online");
    EXPECT_FALSE(model->PortIsOpen());
    model->Command3_Click();
    EXPECT_EQ(m_listener.messages.back(), Report("Open com port first!"));

    model->SelectPort(2);
    model->Command1_Click();
    EXPECT_EQ(m_listener.messages.size(), 4U);
    model->Command3_Click();  // ALL 10%
    EXPECT_EQ(First(EventLoop::Receive(com2, 2), 2), (Bytes{111, 255}));
}

TEST_F(QtPanelLinkTest, MissingDeviceGivesTheOpenReportAndThePanelGoesOn) {
    // Named per process: the port takes a lock file named after the device even when
    // the device is missing, and test runs may overlap.
    const std::string missing = "/dev/dimrix-no-such-port-" + std::to_string(::getpid());
    PanelModel model(std::make_unique<QtPortService>(PortPaths{missing, missing}), m_listener);
    EXPECT_EQ(model.PortDescription(1), missing + " \u2014 given on the command line");
    model.Command1_Click();
    EXPECT_EQ(m_listener.messages,
              (std::vector<Message>{Report("Cannot open COM1: " + missing +
                                           ": No such file or directory\n\nError number: 8002")}));
    EXPECT_EQ(model.Command1Caption(), "GO");
    EXPECT_FALSE(model.PortIsOpen());
    model.Command2_Click();
    EXPECT_EQ(m_listener.messages.back(), Report("Open com port first!"));
}

TEST_F(QtPanelLinkTest, BusyDeviceGivesTheOpenReport) {
    PseudoTerminal com1;
    PseudoTerminal com2;
    const auto holder = MakePanel(com1, com2);
    holder->Command1_Click();
    const auto model = MakePanel(com1, com2);
    model->Command1_Click();
    ASSERT_EQ(m_listener.messages.size(), 1U);
    const std::string& text = m_listener.messages.front().text;
    EXPECT_TRUE(
        text.starts_with("Cannot open COM1: " + com1.SlavePath() + ": in use by another program"))
        << text;
    EXPECT_TRUE(text.ends_with("\n\nError number: 8005")) << text;
    EXPECT_EQ(com1.SlaveDescriptorsHeld(), 1);
}

}  // namespace
}  // namespace dimrix::serial
