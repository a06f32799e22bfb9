#include "monitor/LineMonitor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "monitor/MonitorText.h"

namespace dimrix::monitor {
namespace {

using std::chrono::milliseconds;

const LineMonitor::TimePoint kStart{std::chrono::hours(5)};
// 19200 baud, ten bit times a byte.
constexpr std::int32_t kLineBytesPerSecond = 1920;
// Each read arrives this long after the one before it.
constexpr milliseconds kReadInterval{250};

// What a text-mode run prints, without the clock.
class RecordingListener : public MonitorListener {
public:
    void OnFrame(std::chrono::nanoseconds sinceStart,
                 const protocol::DecodedFrame& frame) override {
        lines.push_back(MonitorText::FrameLine(sinceStart, frame));
    }
    void OnMalformed(std::chrono::nanoseconds sinceStart, std::span<const protocol::Byte> bytes,
                     protocol::Malformation why) override {
        lines.push_back(MonitorText::MalformedLine(sinceStart, bytes, why));
    }

    std::vector<std::string> lines;
};

struct MonitorCase {
    const char* name;
    // One read each.
    std::vector<std::vector<std::uint8_t>> reads;
    std::vector<std::string> lines;
    LineCounts counts;
    protocol::ChannelLevels board128;
    protocol::ChannelLevels board130;
};

TEST(LineMonitorTest, PrintsAndCountsEveryFrameAsTheBoardsReadIt) {
    const MonitorCase cases[] = {
        {"an address frame split across three reads",
         {{130, 1, 2}, {3, 4, 5, 6}, {7, 8, 255}},
         {"0.500000 board 130 1 2 3 4 5 6 7 8"},
         {.address = 1, .bytes = 10},
         {},
         {1, 2, 3, 4, 5, 6, 7, 8}},
        {"every byte class",
         {{109, 42, 255, 117, 255, 128, 0, 100, 0, 100, 0, 100, 0, 100, 255, 7, 255, 200}},
         {"0.000000 master 42", "0.000000 preset 117 70",
          "0.000000 board 128 0 100 0 100 0 100 0 100", "0.000000 malformed 7 stray-level",
          "0.000000 malformed 255 stray-end", "0.000000 malformed 200 unused-value"},
         {.address = 1, .preset = 1, .master = 1, .malformed = 3, .bytes = 18},
         {0, 100, 0, 100, 0, 100, 0, 100},
         {70, 70, 70, 70, 70, 70, 70, 70}},
        {"a frame torn by the next one, across reads",
         {{130, 9, 9}, {128, 5, 5, 5, 5, 5, 5, 5, 5, 255}},
         {"0.250000 malformed 130 9 9 torn", "0.250000 board 128 5 5 5 5 5 5 5 5"},
         {.address = 1, .malformed = 1, .bytes = 13},
         {5, 5, 5, 5, 5, 5, 5, 5},
         {}},
        {"a frame ended early, one with a level too many, and a preset torn by a level",
         {{130, 1, 2, 255}, {109, 1, 2, 255}, {110, 0}},
         {"0.000000 malformed 130 1 2 255 short", "0.250000 malformed 109 1 torn",
          "0.250000 malformed 2 stray-level", "0.250000 malformed 255 stray-end",
          "0.500000 malformed 110 torn", "0.500000 malformed 0 stray-level"},
         {.malformed = 6, .bytes = 10},
         {},
         {}},
        {"a frame still open at the end is neither counted nor applied",
         {{131, 1, 1, 1, 1, 1, 1, 1, 1, 255, 158, 100, 100}},
         {"0.000000 board 131 1 1 1 1 1 1 1 1"},
         {.address = 1, .bytes = 13},
         {},
         {}},
    };
    for (const MonitorCase& c : cases) {
        SCOPED_TRACE(c.name);
        LineMonitor monitor(kStart, kLineBytesPerSecond);
        RecordingListener listener;
        monitor.SetListener(&listener);
        LineMonitor::TimePoint now = kStart;
        for (const std::vector<std::uint8_t>& read : c.reads) {
            monitor.Read(read, now);
            now += kReadInterval;
        }
        EXPECT_EQ(listener.lines, c.lines);
        EXPECT_EQ(monitor.Counts(), c.counts);
        EXPECT_EQ(monitor.Boards()[0], c.board128);
        EXPECT_EQ(monitor.Boards()[2], c.board130);
    }
}

TEST(LineMonitorTest, LoadRatesMarkAndRepaintsFollowTheClockHandedIn) {
    LineMonitor monitor(kStart, kLineBytesPerSecond);
    EXPECT_EQ(monitor.Capacity(), 1920);
    EXPECT_EQ(monitor.TakeChanged(kStart).count(), 31U) << "the first repaint is whole";
    EXPECT_FALSE(monitor.SinceLastByte(kStart));

    // 96 address frames (960 bytes) to board 130 within a tenth of a second: half the line.
    const std::vector<std::uint8_t> frame{130, 1, 2, 3, 4, 5, 6, 7, 8, 255};
    for (int count = 0; count < 96; ++count) {
        monitor.Read(frame, kStart + milliseconds(count));
    }
    const LineMonitor::TimePoint after = kStart + milliseconds(200);
    EXPECT_EQ(monitor.BytesPerSecond(after), 960U);
    EXPECT_EQ(monitor.LoadPercent(after), 50U);
    EXPECT_EQ(monitor.FramesPerSecond(after), 96U);
    EXPECT_EQ(monitor.SinceLastByte(after), milliseconds(105));
    EXPECT_EQ(monitor.MarkedBoard(after), protocol::Address{130});
    const LineMonitor::BoardSet changed = monitor.TakeChanged(after);
    EXPECT_EQ(changed.count(), 1U);
    EXPECT_TRUE(changed[2]);
    EXPECT_TRUE(monitor.TakeChanged(after).none()) << "nothing new, nothing to repaint";

    // The same frame again changes no level, but its board stays marked a while longer.
    monitor.Read(frame, kStart + milliseconds(500));
    EXPECT_TRUE(monitor.TakeChanged(kStart + milliseconds(600)).none());
    const LineMonitor::TimePoint later = kStart + milliseconds(500) + LineMonitor::kMarkTime;
    EXPECT_FALSE(monitor.MarkedBoard(later));
    EXPECT_TRUE(monitor.TakeChanged(later)[2]) << "the mark went out";

    // A second later only the last frame is left in the sliding second; then none.
    EXPECT_EQ(monitor.BytesPerSecond(kStart + milliseconds(1300)), 10U);
    EXPECT_EQ(monitor.LoadPercent(kStart + milliseconds(1600)), 0U);
    EXPECT_EQ(monitor.Counts().address, 97U);
}

}  // namespace
}  // namespace dimrix::monitor
