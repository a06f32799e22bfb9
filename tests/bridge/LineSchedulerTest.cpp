#include "bridge/LineScheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "protocol/LineDecoder.h"
#include "serial/LinePacer.h"
#include "serial/PendingBytes.h"
#include "serial/Transmitter.h"

namespace dimrix::bridge {
namespace {

using Bytes = std::vector<protocol::Byte>;
using Clock = LineScheduler::Clock;
using TimePoint = LineScheduler::TimePoint;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

constexpr serial::LineSettings kSettings = serial::kBoardLineSettings;

// A device that takes every byte and puts it on the wire at the line's rate; the boards
// (a LineDecoder) read each byte as its last bit leaves.
class SimulatedLine : public serial::LineDriver, public protocol::DecodeListener {
public:
    struct Landed {
        TimePoint at;
        Bytes frame;
    };

    explicit SimulatedLine(const TimePoint& now) : m_now(now) {}

    std::size_t Accept(std::span<const protocol::Byte> bytes) override {
        m_handed.insert(m_handed.end(), bytes.begin(), bytes.end());
        for (const protocol::Byte value : bytes) {
            m_wireFreeAt = std::max(m_wireFreeAt, m_now) + ByteTime();
            m_onWire.push_back({value, m_wireFreeAt});
        }
        return bytes.size();
    }
    std::size_t Holds() const override {
        return static_cast<std::size_t>(std::ranges::count_if(
            m_onWire, [this](const Byte& byte) { return byte.leaves > m_now; }));
    }
    // The boards read everything that has left by now.
    void Deliver() {
        while (!m_onWire.empty() && m_onWire.front().leaves <= m_now) {
            m_readAt = m_onWire.front().leaves;
            m_reading.push_back(m_onWire.front().value);
            m_decoder.Feed(m_onWire.front().value);
            m_onWire.pop_front();
        }
    }
    // Nothing malformed ever lands, so the bytes read since the last frame are this one.
    void OnFrame(const protocol::DecodedFrame& /*frame*/) override {
        m_landed.push_back({m_readAt, m_reading});
        m_reading.clear();
    }
    void OnMalformed(std::span<const protocol::Byte>, protocol::Malformation) override {
        ADD_FAILURE() << "malformed bytes on the line";
    }

    [[nodiscard]] const protocol::LineDecoder& Boards() const { return m_decoder; }
    [[nodiscard]] std::vector<Landed>& LandedFrames() { return m_landed; }
    // Every byte the driver took.
    [[nodiscard]] Bytes& Handed() { return m_handed; }

private:
    struct Byte {
        protocol::Byte value;
        TimePoint leaves;
    };
    static nanoseconds ByteTime() {
        return nanoseconds(std::chrono::seconds(1)) / kSettings.BytesPerSecond();
    }

    const TimePoint& m_now;
    std::deque<Byte> m_onWire;
    TimePoint m_wireFreeAt{};
    TimePoint m_readAt{};
    protocol::LineDecoder m_decoder{this};
    std::vector<Landed> m_landed;
    Bytes m_reading;
    Bytes m_handed;
};

class LineSchedulerTest : public ::testing::Test {
protected:
    void Set(const LineLevels& levels) {
        m_scheduler.SetDesired(levels);
        Pump();
    }
    void Pump() {
        m_line.Deliver();
        m_wake = m_transmitter.Pump(m_scheduler, m_line, m_now);
        EXPECT_LE(m_transmitter.Refused(), protocol::kAddressFrameSize);
        EXPECT_LE(m_line.Holds(), serial::LinePacer::kDriverTarget);
    }
    // Lets the line run until `until`, pumping whenever the scheduler asked to be.
    void RunUntil(TimePoint until) {
        while (m_wake && *m_wake <= until) {
            m_now = std::max(m_now, *m_wake);
            Pump();
        }
        m_now = until;
        m_line.Deliver();
    }
    void Run(nanoseconds span) { RunUntil(m_now + span); }
    // Frames that reached the boards since the last call.
    std::vector<Bytes> Landed() {
        std::vector<Bytes> frames;
        for (const auto& landed : m_line.LandedFrames()) {
            frames.push_back(landed.frame);
        }
        m_line.LandedFrames().clear();
        return frames;
    }

    TimePoint m_now{std::chrono::hours(1)};
    SimulatedLine m_line{m_now};
    LineScheduler m_scheduler;
    // The line's pump, as the bridge's paced line runs it.
    serial::Transmitter m_transmitter{kSettings};
    std::optional<TimePoint> m_wake;
};

LineLevels All(protocol::Level level) {
    LineLevels levels{};
    levels.fill(level);
    return levels;
}

// Board 128+k channel c at (k + c) % 101, scaled by `step` so successive states differ.
LineLevels Pattern(int step) {
    LineLevels levels{};
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const auto board = static_cast<int>(i / 8);
        const auto channel = static_cast<int>(i % 8);
        levels[i] = static_cast<protocol::Level>((step * 13 + board * 8 + channel) % 101);
    }
    return levels;
}

Bytes Frame(int address, std::initializer_list<int> levels) {
    Bytes frame{static_cast<protocol::Byte>(address)};
    for (const int level : levels) {
        frame.push_back(static_cast<protocol::Byte>(level));
    }
    frame.push_back(255);
    return frame;
}

TEST_F(LineSchedulerTest, BroadcastsOneLevelOnEveryChannel) {
    struct Case {
        protocol::Level level;
        Bytes frame;
    };
    const Case cases[] = {{0, {110, 255}},      {10, {111, 255}},  {30, {113, 255}},
                          {50, {115, 255}},     {70, {117, 255}},  {100, {120, 255}},
                          {73, {109, 73, 255}}, {1, {109, 1, 255}}};
    for (const Case& c : cases) {
        Set(All(c.level));
        Run(milliseconds(50));
        EXPECT_EQ(Landed(), std::vector<Bytes>{c.frame}) << c.level;
    }
    // Held for a while: the broadcast again about once a second, and nothing else.
    Run(milliseconds(2100));
    EXPECT_EQ(Landed(), (std::vector<Bytes>{{109, 1, 255}, {109, 1, 255}}));
}

TEST_F(LineSchedulerTest, SendsChangedBoardsInTheOrderTheyChangedWithTheirNewestLevels) {
    Run(milliseconds(100));
    EXPECT_FALSE(m_wake) << "nothing goes before the first levels";
    EXPECT_TRUE(Landed().empty());

    LineLevels levels = All(0);
    levels[0] = 5;
    Set(levels);  // every board first, in address order
    Run(milliseconds(200));
    std::vector<Bytes> expected{Frame(128, {5, 0, 0, 0, 0, 0, 0, 0})};
    for (int address = 129; address <= 158; ++address) {
        expected.push_back(Frame(address, {0, 0, 0, 0, 0, 0, 0, 0}));
    }
    EXPECT_EQ(Landed(), expected);

    // 140 goes at once; 130 and 150 wait behind it and change again (150 back to what the
    // boards hold), and 140 changes anew: 130 keeps its place with its newest levels, 150
    // is not sent, 140 comes after.
    levels[12 * 8] = 1;
    Set(levels);
    levels[2 * 8 + 7] = 2;
    Set(levels);
    levels[22 * 8 + 1] = 4;
    Set(levels);
    levels[2 * 8 + 7] = 6;
    levels[12 * 8] = 3;
    levels[22 * 8 + 1] = 0;
    Set(levels);
    Run(milliseconds(100));
    EXPECT_EQ(Landed(), (std::vector<Bytes>{Frame(140, {1, 0, 0, 0, 0, 0, 0, 0}),
                                            Frame(130, {0, 0, 0, 0, 0, 0, 0, 6}),
                                            Frame(140, {3, 0, 0, 0, 0, 0, 0, 0})}));
}

TEST_F(LineSchedulerTest, BlackoutGoesNextAsOnePreset) {
    Set(Pattern(1));
    Run(milliseconds(30));  // a few of the 31 boards on their way
    const std::size_t before = Landed().size();
    EXPECT_GT(before, 2U);
    // Just after a frame was handed over, when the driver has no room for another.
    ASSERT_TRUE(m_wake);
    RunUntil(*m_wake);
    Run(std::chrono::microseconds(100));
    static_cast<void>(Landed());
    m_line.Handed().clear();
    Set(All(0));
    // The driver is handed All OFF as soon as two bytes have left, and nothing after it.
    Run(std::chrono::microseconds(1200));
    EXPECT_EQ(m_line.Handed(), (Bytes{110, 255}));
    Run(milliseconds(100));
    EXPECT_EQ(m_line.Handed(), (Bytes{110, 255}));
    // What reaches the boards: what the driver already held (the end of one frame and
    // the frame on the wire), then All OFF.
    const std::vector<Bytes> after = Landed();
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.back(), (Bytes{110, 255}));
    EXPECT_LE(after.size(), 3U);
    EXPECT_EQ(m_line.Boards().State(), protocol::LineDecoder::Boards{});
}

TEST_F(LineSchedulerTest, RefreshesEveryBoardAboutOnceASecondAndResendsAllOnRequest) {
    Set(Pattern(2));
    Run(milliseconds(500));
    EXPECT_EQ(Landed().size(), 31U);
    Run(milliseconds(1400));  // idle line: each board once more, about a second later
    std::vector<Bytes> refreshed = Landed();
    EXPECT_EQ(refreshed.size(), 31U);
    EXPECT_GT(m_scheduler.Refreshes(), 0U);

    m_scheduler.ResendAll();
    Pump();
    Run(milliseconds(170));
    const std::vector<Bytes> resent = Landed();
    ASSERT_EQ(resent.size(), 31U);
    for (std::size_t board = 0; board < resent.size(); ++board) {
        EXPECT_EQ(resent[board].front(), 128 + board) << "address order";
    }
}

// A stop takes the changes not yet sent at once, for the drain to let out: every board
// ends at its newest levels, and no refresh rides along.
TEST_F(LineSchedulerTest, AStopTakesEveryChangeNotYetSentAndNothingElse) {
    Set(Pattern(3));
    Run(milliseconds(30));
    const std::size_t sent = m_scheduler.FramesSent();
    ASSERT_GT(sent, 2U);
    ASSERT_LT(sent, 31U);
    serial::PendingBytes rest;
    rest.TakeAll(m_scheduler, m_now);
    EXPECT_EQ(rest.Backlog(), (31 - sent) * protocol::kAddressFrameSize);
    EXPECT_EQ(m_scheduler.Backlog(), 0U);

    Bytes drained(rest.Backlog());
    ASSERT_EQ(rest.TakeFrame(drained, m_now), drained.size());
    m_line.Accept(drained);
    m_wake.reset();  // the line is closed: nothing asks the scheduler any more
    Run(milliseconds(500));
    for (std::size_t board = 0; board < protocol::kAddressCount; ++board) {
        const auto& levels = m_line.Boards().State()[board];
        EXPECT_TRUE(std::equal(levels.begin(), levels.end(),
                               Pattern(3).begin() + static_cast<long>(board * 8)))
            << "board " << board;
    }
}

// All 248 channels change 44 times a second for 10 s; the line carries 192 frames a
// second, so each board must come round every 31 frames, with the newest levels.
TEST_F(LineSchedulerTest, FullChurnKeepsEveryBoardFreshAndEndsExact) {
    const nanoseconds tick = nanoseconds(std::chrono::seconds(1)) / 44;
    const int ticks = 440;
    const TimePoint start = m_now;
    std::vector<std::vector<double>> staleness(protocol::kAddressCount);
    std::vector<int> shown(protocol::kAddressCount, -1);
    for (int step = 0; step < ticks; ++step) {
        RunUntil(start + step * tick);
        Set(Pattern(step));
        // Which step each landed frame shows: its levels tell.
        for (const auto& landed : m_line.LandedFrames()) {
            const std::size_t board = landed.frame.front() - 128;
            int carried = step;
            while (carried >= 0 &&
                   !std::equal(landed.frame.begin() + 1, landed.frame.end() - 1,
                               Pattern(carried).begin() + static_cast<long>(board * 8))) {
                --carried;
            }
            ASSERT_GE(carried, 0);
            for (int changed = shown[board] + 1; changed <= carried; ++changed) {
                staleness[board].push_back(
                    std::chrono::duration<double, std::milli>(landed.at - (start + changed * tick))
                        .count());
            }
            shown[board] = std::max(shown[board], carried);
        }
        m_line.LandedFrames().clear();
    }
    Run(milliseconds(500));
    EXPECT_EQ(m_line.Boards().State()[0][0], Pattern(ticks - 1)[0]);
    for (std::size_t board = 0; board < staleness.size(); ++board) {
        std::vector<double>& ages = staleness[board];
        ASSERT_GT(ages.size(), 400U) << "board " << board << " starved";
        std::ranges::sort(ages);
        EXPECT_LE(ages[ages.size() * 99 / 100], 170.0) << "board " << board;
        EXPECT_LE(ages.back(), 200.0) << "board " << board;
        const auto& levels = m_line.Boards().State()[board];
        EXPECT_TRUE(std::equal(levels.begin(), levels.end(),
                               Pattern(ticks - 1).begin() + static_cast<long>(board * 8)))
            << "board " << board;
    }
}

}  // namespace
}  // namespace dimrix::bridge
