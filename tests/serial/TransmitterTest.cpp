#include "serial/Transmitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "protocol/LineDecoder.h"
#include "serial/TransmitQueue.h"

// Random traffic into the transmit queue over lines of random speed, capacity and
// stalls: what reaches the wire must leave the boards exactly where everything queued
// would have, with no frame torn on the way and nothing reordered.
namespace dimrix::serial {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = Transmitter::Clock;
using std::chrono::milliseconds;

constexpr LineSettings kBoardLine{19200, 'N', 8, 1};
constexpr std::uint8_t kFirstBoard = 128;
constexpr std::uint8_t kBoards = 31;
constexpr std::uint8_t kEnd = 255;
constexpr std::uint8_t kMaster = 109;
constexpr std::uint8_t kPresetCodes[] = {110, 111, 113, 115, 117, 120};

// A driver with a buffer of its own in front of a wire of some speed, which may stall
// (a reader that stops) and may or may not say how much it holds (a pseudo-terminal
// says nothing).
class SimulatedLine : public LineDriver {
public:
    SimulatedLine(std::size_t capacity, double bytesPerMs, bool reportsHeld)
        : m_capacity(capacity), m_bytesPerMs(bytesPerMs), m_reportsHeld(reportsHeld) {}

    std::size_t Accept(std::span<const std::uint8_t> bytes) override {
        const std::size_t taken = std::min(bytes.size(), m_capacity - m_buffer.size());
        m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.begin() + static_cast<long>(taken));
        m_mostHeld = std::max(m_mostHeld, m_buffer.size());
        return taken;
    }
    [[nodiscard]] std::size_t Holds() const override { return m_reportsHeld ? m_buffer.size() : 0; }

    // The wire carries bytes for one more millisecond.
    void Tick(bool stalled) {
        if (stalled) {
            return;
        }
        m_credit += m_bytesPerMs;
        while (m_credit >= 1.0 && !m_buffer.empty()) {
            m_wire.push_back(m_buffer.front());
            m_buffer.pop_front();
            m_credit -= 1.0;
        }
        m_credit = std::min(m_credit, 1.0);
    }

    [[nodiscard]] const Bytes& Wire() const { return m_wire; }
    [[nodiscard]] bool Empty() const { return m_buffer.empty(); }
    [[nodiscard]] std::size_t MostHeld() const { return m_mostHeld; }

private:
    std::size_t m_capacity;
    double m_bytesPerMs;
    bool m_reportsHeld;
    std::deque<std::uint8_t> m_buffer;
    Bytes m_wire;
    double m_credit = 0.0;
    std::size_t m_mostHeld = 0;
};

// The panel's transmit queue on a paced line: carries out the transmitter's decisions as
// the real port does, a pump it asks for now at once, a posted one after the sender's
// burst, a timed one when its time comes.
class TrafficRun {
public:
    explicit TrafficRun(SimulatedLine& line) : m_line(line) {}

    void Send(const Bytes& unit) {
        for (const std::uint8_t value : unit) {
            m_queue.Push(value, m_now);
            switch (m_transmitter.Kick(m_queue.GoesAtOnce(m_now))) {
                case Transmitter::Wake::Now:
                    Schedule(m_transmitter.Pump(m_queue, m_line, m_now));
                    break;
                case Transmitter::Wake::Post:
                    EXPECT_FALSE(m_posted) << "a second call posted before the first ran";
                    m_posted = true;
                    break;
                case Transmitter::Wake::None:
                    break;
            }
        }
        m_units.push_back(unit);
        m_queued.insert(m_queued.end(), unit.begin(), unit.end());
        m_largest = std::max(m_largest, m_queue.Waiting());
    }

    // The sender's burst is over: the event loop runs the posted call first.
    void Pass(int milliseconds, bool stalled) {
        if (m_posted) {
            m_posted = false;
            Schedule(m_transmitter.PumpPosted(m_queue, m_line, m_now));
        }
        for (int step = 0; step < milliseconds; ++step) {
            m_now += std::chrono::milliseconds(1);
            m_line.Tick(stalled);
            if (m_timer && m_now >= *m_timer) {
                m_timer.reset();
                Schedule(m_transmitter.Pump(m_queue, m_line, m_now));
            }
        }
    }

    void Finish() {
        while (m_posted || m_timer || !m_line.Empty()) {
            Pass(1, false);
        }
    }

    [[nodiscard]] const Bytes& Queued() const { return m_queued; }
    [[nodiscard]] const std::vector<Bytes>& Units() const { return m_units; }
    [[nodiscard]] std::size_t Largest() const { return m_largest; }

private:
    // The port's single-shot timer: a new time replaces the one set.
    void Schedule(std::optional<Clock::time_point> next) {
        if (next) {
            m_timer = next;
        }
    }

    SimulatedLine& m_line;
    TransmitQueue m_queue{kBoardLine};
    Transmitter m_transmitter{kBoardLine};
    Clock::time_point m_now = Clock::time_point{} + std::chrono::hours(1);
    std::optional<Clock::time_point> m_timer;
    bool m_posted = false;
    Bytes m_queued;
    std::vector<Bytes> m_units;
    std::size_t m_largest = 0;
};

bool IsCompleteFrame(const Bytes& unit) {
    protocol::LineDecoder decoder;
    decoder.Feed(unit);
    return decoder.Frames() == 1 && decoder.Malformed() == 0;
}

// Whether `wire` is `units` in order with only whole, well-formed frames left out.
bool OnlyWholeFramesLeftOut(const std::vector<Bytes>& units, const Bytes& wire) {
    auto position = wire.begin();
    for (const Bytes& unit : units) {
        const auto left = static_cast<std::size_t>(wire.end() - position);
        if (unit.size() <= left && std::equal(unit.begin(), unit.end(), position)) {
            position += static_cast<long>(unit.size());
        } else if (!IsCompleteFrame(unit)) {
            return false;
        }
    }
    return position == wire.end();
}

Bytes RandomUnit(std::mt19937& random, std::uint8_t board) {
    std::uniform_int_distribution<int> level(0, 100);
    std::uniform_int_distribution<int> kind(0, 99);
    const int pick = kind(random);
    if (pick < 3) {
        return {kPresetCodes[static_cast<std::size_t>(pick) % std::size(kPresetCodes)], kEnd};
    }
    if (pick < 5) {
        return {kMaster, static_cast<std::uint8_t>(level(random)), kEnd};
    }
    Bytes frame{board};
    for (int channel = 0; channel < 8; ++channel) {
        frame.push_back(static_cast<std::uint8_t>(level(random)));
    }
    frame.push_back(kEnd);
    if (pick < 7) {
        // A send that failed part-way.
        frame.resize(std::uniform_int_distribution<std::size_t>(1, 9)(random));
    }
    return frame;
}

TEST(TransmitterTest, RandomTrafficOverRandomLinesEndsWhereTheWholeStreamEnds) {
    for (const unsigned seed : {7U, 2024U, 99991U}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        // From a fifth of the line's speed to twice it; a driver from a pseudo-terminal's
        // 15 KB down to a little more than one frame.
        const double bytesPerMs = std::uniform_real_distribution<double>(0.4, 4.0)(random);
        const std::size_t capacity = std::uniform_int_distribution<std::size_t>(16, 15000)(random);
        SimulatedLine line(capacity, bytesPerMs, seed % 2 == 0);
        TrafficRun run(line);
        std::uniform_int_distribution<int> board(0, kBoards - 1);
        std::uniform_int_distribution<int> burst(1, 8);
        std::uniform_int_distribution<int> pause(0, 30);
        std::uniform_int_distribution<int> stall(0, 49);
        for (int operation = 0; operation < 1500; ++operation) {
            // Mostly one board at a time, as fades and drags send; sometimes another.
            const auto address = static_cast<std::uint8_t>(kFirstBoard + board(random) % 3);
            for (int frame = burst(random); frame > 0; --frame) {
                run.Send(RandomUnit(random, address));
            }
            run.Pass(pause(random), stall(random) == 0);
        }
        run.Finish();

        protocol::LineDecoder everything;
        everything.Feed(run.Queued());
        protocol::LineDecoder onWire;
        onWire.Feed(line.Wire());
        EXPECT_EQ(onWire.State(), everything.State());
        EXPECT_EQ(onWire.Malformed(), everything.Malformed()) << "a frame was torn on the way";
        EXPECT_LT(line.Wire().size(), run.Queued().size()) << "the overrun never thinned out";
        EXPECT_TRUE(OnlyWholeFramesLeftOut(run.Units(), line.Wire()));
    }
}

// A driver slower than the wire clock (an adapter that buffers more than the line's
// speed suggests) but that says what it holds: its own count must hold the pace, or
// stale frames pile up in it where nothing can drop them.
TEST(TransmitterTest, ADriverSlowerThanTheClockIsNeverHandedMoreThanItsAllowance) {
    SimulatedLine line(15000, 0.5, true);
    TrafficRun run(line);
    for (int operation = 0; operation < 300; ++operation) {
        run.Send({kFirstBoard, 1, 2, 3, 4, 5, 6, 7, 8, kEnd});
        run.Pass(5, false);
    }
    run.Finish();
    EXPECT_LE(line.MostHeld(), LinePacer::kDriverTarget);
}

}  // namespace
}  // namespace dimrix::serial
