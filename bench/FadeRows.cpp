// The fades, on the rig: "F+" clicked on one channel or on all eight, the window's own
// 25 ms timer stepping them to 100.
//
// One channel (10 bytes every 25 ms) fits the line, so the far end reads at once and the
// gaps between the ticks' frames as they arrive show the timer's clock. Eight channels
// (80 bytes every 25 ms, 3200 bytes/s) overrun the 1920 bytes/s that 19200 baud carries:
// the far end reads no faster than that, the port keeps what the line has no time for
// in its own queue and, once overrun, drops the frames that newer ones make stale. The
// wire then shows the line's pace, so the clock is judged at the port (the ticks' writes),
// and the same runs give how far the boards trail the screen, the backlog and the queue.
// Last, "All OFF" is pressed into that load, two seconds in and every second after.

#include <QTimer>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <optional>
#include <random>
#include <stdexcept>

#include "BoardTrail.h"
#include "Rows.h"
#include "Samples.h"
#include "WindowRig.h"
#include "protocol/Frames.h"

namespace dimrix::bench {
namespace {

using Clock = WireReader::Clock;
using Milliseconds = std::chrono::duration<double, std::milli>;
using protocol::kChannelCount;

// 19200 baud, one start and one stop bit per octet.
constexpr double kLineBytesPerSecond = 1920.0;
constexpr double kUnpaced = 0.0;
constexpr int kFadeSteps = protocol::kMaxLevel - protocol::kMinLevel;
constexpr double kTickMs = 25.0;
constexpr double kIdealFadeMs = kFadeSteps * kTickMs;
constexpr int kFadeRuns = 3;
constexpr int kPressRuns = 2;
constexpr std::size_t kPressesPerRun = 12;
constexpr std::chrono::milliseconds kFirstPress{2000};
constexpr std::chrono::milliseconds kPressInterval{1000};
// Each press lands at a random point of the fade tick, so that together they sample
// every phase of it.
constexpr int kTickMilliseconds = 25;
constexpr unsigned kPressSeed = 20261208;
// Room for the longest run: about 15 s of fade at 3200 bytes/s.
constexpr std::size_t kCapacity = 64 * 1024;
constexpr std::chrono::seconds kRunTimeout{30};

constexpr double kClockToleranceMs = 2.0;
// "Within" includes the bound itself, to the microsecond.
constexpr double kRounding = 0.001;
constexpr double kFadeTolerance = 0.01;
constexpr double kPressGoalMs = 15.0;
constexpr double kTrailGoalMs = 11.0;
constexpr double kLastStepGoalMs = 15.0;
constexpr std::size_t kQueueGoalBytes = 210;

std::string Ms(double value, int decimals = 1) {
    return BenchReport::Fixed(value, decimals);
}

std::string Spread(const Samples& samples, int decimals = 1) {
    return "p50 " + Ms(samples.Median(), decimals) + " / p99 " + Ms(samples.P99(), decimals) +
           " / max " + Ms(samples.Max(), decimals) + " ms";
}

// Every run of one kind, pooled: one fade has 99 intervals, too few for a p99 of its own.
struct Fades {
    Samples wireIntervals;   // between the ticks reaching the boards
    Samples timerIntervals;  // between the ticks handed to the port
    Samples trailMs;         // each step to the boards, once the line is overrun
    Samples clickTo100Ms;
    Samples lastStepMs;
    Samples lineClearMs;  // the last write to the last byte read
    Samples onWire;       // bytes
    Samples dropped;      // stale frames
    std::size_t rampSteps = 0;
    double rampWorstMs = 0.0;
    std::size_t largestQueue = 0;
};

// Stops at the first fault in what the boards read; only stale states may be missing.
void CheckBoards(const BoardTrail& trail) {
    if (const std::string faults = trail.Faults(); !faults.empty()) {
        throw std::runtime_error("the boards read wrong: " + faults);
    }
}

void FadeOnce(int channels, double bytesPerSecond, Fades& fades) {
    WindowRig rig(kCapacity, bytesPerSecond);
    rig.Connect();
    const Clock::time_point clicked = Clock::now();
    rig.StartFade(channels);
    rig.RunUntilLineClear();
    rig.Finish();
    const WireReader& reader = rig.Reader();
    const BoardTrail trail(rig.Writes(), reader);
    CheckBoards(trail);
    protocol::LineDecoder::Boards faded{};
    std::fill_n(faded.front().begin(), channels, protocol::kMaxLevel);
    if (trail.PanelEnd() != faded || trail.Steps().size() != static_cast<std::size_t>(kFadeSteps)) {
        throw std::runtime_error("the fade did not run from 0 to 100 in 100 steps");
    }
    std::optional<Clock::time_point> lastReached;
    const BoardTrail::Step* last = nullptr;
    for (const BoardTrail::Step& step : trail.Steps()) {
        const std::optional<Clock::time_point> reached = trail.Reached(step);
        if (!reached) {
            throw std::runtime_error("a step of the fade never reached the boards");
        }
        if (last != nullptr) {
            fades.wireIntervals.Add(Milliseconds(*reached - *lastReached).count());
            fades.timerIntervals.Add(Milliseconds(step.at - last->at).count());
        }
        const double trailMs = Milliseconds(*reached - step.at).count();
        // Until the line counts as overrun the port still sends everything and the
        // backlog that makes it start dropping builds up; a step handed over once the
        // boards have skipped a state surely came after that.
        if (trail.FirstSkip() && step.at >= *trail.FirstSkip()) {
            fades.trailMs.Add(trailMs);
        } else if (channels > 1) {
            const auto counted = static_cast<std::size_t>(&step - &trail.Steps().front()) + 1;
            fades.rampSteps = std::max(fades.rampSteps, counted);
            fades.rampWorstMs = std::max(fades.rampWorstMs, trailMs);
        }
        lastReached = reached;
        last = &step;
    }
    fades.clickTo100Ms.Add(Milliseconds(*lastReached - clicked).count());
    fades.lastStepMs.Add(Milliseconds(*lastReached - last->at).count());
    fades.lineClearMs.Add(
        Milliseconds(reader.Time(reader.Count() - 1) - rig.Writes().times.back()).count());
    fades.onWire.Add(static_cast<double>(reader.Count()));
    fades.dropped.Add(static_cast<double>(trail.FramesDropped()));
    fades.largestQueue = std::max(fades.largestQueue, rig.LargestQueue());
    std::cerr << channels << "-channel fade: click to 100 " << fades.clickTo100Ms.Values().back()
              << " ms; so far, ticks on the wire " << Spread(fades.wireIntervals, 2)
              << ", at the port " << Spread(fades.timerIntervals, 2) << "\n";
}

// Presses "All OFF" into an eight-channel fade, which goes on from zero after each;
// adds the time from each click to its frame read at the far end.
std::size_t PressAllOffWhileFading(unsigned seed, Samples& latencyMs) {
    WindowRig rig(kCapacity, kLineBytesPerSecond);
    rig.Connect();
    std::vector<std::pair<Clock::time_point, std::size_t>> presses;  // when, bytes read then
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> phase(0, kTickMilliseconds - 1);
    QTimer pressTimer;
    pressTimer.setTimerType(Qt::PreciseTimer);
    pressTimer.setSingleShot(true);
    QObject::connect(&pressTimer, &QTimer::timeout, [&] {
        presses.emplace_back(Clock::now(), rig.Reader().Count());
        rig.Click("Command2");
        pressTimer.start(kPressInterval + std::chrono::milliseconds(phase(random)));
    });
    rig.StartFade(kChannelCount);
    pressTimer.start(kFirstPress + std::chrono::milliseconds(phase(random)));
    if (!rig.RunUntil([&] { return presses.size() >= kPressesPerRun; }, kRunTimeout)) {
        throw std::runtime_error("the presses did not all happen");
    }
    pressTimer.stop();
    rig.RunUntilLineClear();
    rig.Finish();
    const WireReader& reader = rig.Reader();
    CheckBoards(BoardTrail(rig.Writes(), reader));
    constexpr protocol::Byte kAllOff = protocol::PresetCode(protocol::Preset::AllOff);
    for (const auto& [at, readBefore] : presses) {
        std::size_t index = readBefore;
        while (index + 1 < reader.Count() &&
               (reader.Byte(index) != kAllOff || reader.Byte(index + 1) != protocol::kFrameEnd)) {
            ++index;
        }
        if (index + 1 >= reader.Count()) {
            throw std::runtime_error("an All OFF never reached the far end");
        }
        latencyMs.Add(Milliseconds(reader.Time(index + 1) - at).count());
    }
    std::cerr << "All OFF, so far: " << Spread(latencyMs) << '\n';
    return rig.LargestQueue();
}

// The clock row of one fade: its tick intervals against 25 ms, either way, and the
// click to 100 against 100 ticks.
void ReportClock(BenchReport& report, int channels, const Fades& fades, bool atThePort) {
    const Samples& intervals = atThePort ? fades.timerIntervals : fades.wireIntervals;
    Samples deviations;
    for (const double interval : intervals.Values()) {
        deviations.Add(std::abs(interval - kTickMs));
    }
    const double within = deviations.P99();
    const double fadeMs = fades.clickTo100Ms.Median();
    const double offPercent = (fadeMs - kIdealFadeMs) / kIdealFadeMs * 100.0;
    const bool met = within <= kClockToleranceMs + kRounding &&
                     std::abs(fadeMs - kIdealFadeMs) <= kIdealFadeMs * kFadeTolerance;
    report.Row("fade clock, " + std::to_string(channels) +
                   (atThePort ? " channels: tick interval at the port, the line overrun"
                              : " channel: tick interval on the wire") +
                   "; click to 100",
               Spread(intervals, 2) + ", 99 % within 25 +- " + Ms(within, 2) + " ms (" +
                   std::to_string(intervals.Count()) + " intervals); " + Ms(fadeMs) + " ms (" +
                   (offPercent >= 0 ? "+" : "") + Ms(offPercent, 2) + " %)",
               "p99 within 25 +- 2 ms; 2500 ms +- 1 %", met ? Verdict::Met : Verdict::Missed);
    const std::string key = "fade." + std::to_string(channels) + "ch";
    report.Value(key + ".interval_p99_deviation_ms", within);
    report.Value(key + ".click_to_100_ms", fadeMs);
}

}  // namespace

void MeasureFades(BenchReport& report) {
    Fades one;
    Fades eight;
    for (int run = 0; run < kFadeRuns; ++run) {
        FadeOnce(1, kUnpaced, one);
    }
    for (int run = 0; run < kFadeRuns; ++run) {
        FadeOnce(kChannelCount, kLineBytesPerSecond, eight);
    }
    ReportClock(report, 1, one, false);
    ReportClock(report, kChannelCount, eight, true);

    Samples presses;
    std::size_t pressQueue = 0;
    for (int run = 0; run < kPressRuns; ++run) {
        pressQueue = std::max(pressQueue, PressAllOffWhileFading(kPressSeed + run, presses));
    }
    report.Row("All OFF while 8 channels fade into 1920 bytes/s: click to 110, 255 read",
               Spread(presses) + " over " + std::to_string(presses.Count()) + " presses",
               "p99 < 15 ms", BenchReport::Below(presses.P99(), kPressGoalMs));

    const Samples& trail = eight.trailMs;
    const auto overGoal = std::count_if(trail.Values().begin(), trail.Values().end(),
                                        [](double value) { return value > kTrailGoalMs; });
    report.Row("boards behind the screen, 8-channel fade overrunning the line",
               Spread(trail) + " over " + std::to_string(trail.Count()) + " steps once overrun (" +
                   std::to_string(overGoal) + " above 11 ms); last step " +
                   Ms(eight.lastStepMs.Median()) + " ms; the first " +
                   std::to_string(eight.rampSteps) + " steps, before that, up to " +
                   Ms(eight.rampWorstMs) + " ms",
               "p99 <= 11 ms (2 frame times); last step <= 15 ms",
               trail.P99() <= kTrailGoalMs && eight.lastStepMs.Median() <= kLastStepGoalMs
                   ? Verdict::Met
                   : Verdict::Missed);

    const std::size_t largest = std::max(eight.largestQueue, pressQueue);
    report.Row("largest transmit queue, 8-channel fade into 1920 bytes/s",
               std::to_string(largest) + " bytes (fade alone " +
                   std::to_string(eight.largestQueue) + ", with All OFF presses " +
                   std::to_string(pressQueue) + ")",
               "<= 210 bytes", BenchReport::AtMost(static_cast<double>(largest), kQueueGoalBytes));

    // Every run has checked what the boards read; a fault would have ended the group.
    constexpr int kFadeBytes = kFadeSteps * kChannelCount * protocol::kAddressFrameSize;
    report.Row("backlog, 8 channels fading 0 to 100 into 1920 bytes/s",
               Ms(eight.onWire.Median(), 0) + " of " + std::to_string(kFadeBytes) +
                   " bytes on the wire, " + Ms(eight.dropped.Median(), 0) +
                   " stale frames dropped; line clear " + Ms(eight.lineClearMs.Median()) +
                   " ms after the last step; boards end where the panel ends, no frame torn",
               "boards end where the panel ends; nothing torn", Verdict::Met);

    report.Value("overrun.all_off_p99_ms", presses.P99());
    report.Value("overrun.trail_p99_ms", trail.P99());
    report.Value("overrun.last_step_ms", eight.lastStepMs.Median());
    report.Value("overrun.largest_queue_bytes", static_cast<double>(largest));
    report.Value("backlog.bytes_on_wire", eight.onWire.Median());
    report.Value("backlog.frames_dropped", eight.dropped.Median());
}

}  // namespace dimrix::bench
