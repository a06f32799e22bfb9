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
// "All OFF" is then pressed into that load, two seconds in and every second after.

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
constexpr std::size_t kFadeBytes =
    static_cast<std::size_t>(kFadeSteps * kChannelCount) * protocol::kAddressFrameSize;
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

struct FadeFigures {
    Samples wireIntervals;   // between the ticks reaching the boards
    Samples timerIntervals;  // between the ticks handed to the port
    Samples trailMs;         // each step to the boards, once the line is overrun
    std::size_t rampSteps = 0;
    double rampWorstMs = 0.0;
    double clickTo100Ms = 0.0;
    double lastStepMs = 0.0;
    double lineClearMs = 0.0;
    std::size_t largestQueue = 0;
    std::size_t onWire = 0;
    std::size_t dropped = 0;
};

// Stops at the first fault in what the boards read; only stale states may be missing.
void CheckBoards(const BoardTrail& trail) {
    if (const std::string faults = trail.Faults(); !faults.empty()) {
        throw std::runtime_error("the boards read wrong: " + faults);
    }
}

FadeFigures FadeOnce(int channels, double bytesPerSecond) {
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

    FadeFigures figures;
    std::optional<Clock::time_point> previousReached;
    const BoardTrail::Step* previous = nullptr;
    for (const BoardTrail::Step& step : trail.Steps()) {
        const std::optional<Clock::time_point> reached = trail.Reached(step);
        if (!reached) {
            throw std::runtime_error("a step of the fade never reached the boards");
        }
        if (previous != nullptr) {
            figures.wireIntervals.Add(Milliseconds(*reached - *previousReached).count());
            figures.timerIntervals.Add(Milliseconds(step.at - previous->at).count());
        }
        const double trailMs = Milliseconds(*reached - step.at).count();
        // Until the line counts as overrun the port still sends everything and the
        // backlog that makes it start dropping builds up; a step handed over once the
        // boards have skipped a state surely came after that.
        if (trail.FirstSkip() && step.at >= *trail.FirstSkip()) {
            figures.trailMs.Add(trailMs);
            if (trailMs > kTrailGoalMs && previous != nullptr) {
                std::cerr << "  step " << &step - &trail.Steps().front() + 1 << ": " << trailMs
                          << " ms behind, " << Milliseconds(step.at - previous->at).count()
                          << " ms after the step before\n";
            }
        } else {
            ++figures.rampSteps;
            figures.rampWorstMs = std::max(figures.rampWorstMs, trailMs);
        }
        previousReached = reached;
        previous = &step;
    }
    figures.clickTo100Ms = Milliseconds(*previousReached - clicked).count();
    figures.lastStepMs = Milliseconds(*previousReached - previous->at).count();
    figures.lineClearMs =
        Milliseconds(reader.Time(reader.Count() - 1) - rig.Writes().times.back()).count();
    figures.largestQueue = rig.LargestQueue();
    figures.onWire = reader.Count();
    figures.dropped = trail.FramesDropped();
    std::cerr << channels << "-channel fade: click to 100 " << figures.clickTo100Ms
              << " ms; ticks on the wire " << Spread(figures.wireIntervals, 2) << ", at the port "
              << Spread(figures.timerIntervals, 2) << "; " << figures.rampSteps
              << " steps before the first skip (worst " << figures.rampWorstMs << " ms), then "
              << figures.trailMs.Count() << " steps behind by " << Spread(figures.trailMs) << "; "
              << figures.onWire << " bytes on the wire, " << figures.dropped
              << " frames dropped, largest queue " << figures.largestQueue << " bytes\n";
    return figures;
}

struct PressFigures {
    Samples latencyMs;
    std::size_t largestQueue = 0;
};

PressFigures PressAllOffWhileFading(unsigned seed) {
    struct Press {
        Clock::time_point at;
        std::size_t readBefore = 0;
    };
    WindowRig rig(kCapacity, kLineBytesPerSecond);
    rig.Connect();
    std::vector<Press> presses;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> phase(0, kTickMilliseconds - 1);
    QTimer pressTimer;
    pressTimer.setTimerType(Qt::PreciseTimer);
    pressTimer.setSingleShot(true);
    const auto schedule = [&](std::chrono::milliseconds after) {
        pressTimer.start(after + std::chrono::milliseconds(phase(random)));
    };
    QObject::connect(&pressTimer, &QTimer::timeout, [&] {
        presses.push_back({Clock::now(), rig.Reader().Count()});
        // The fade goes on, from zero.
        rig.Click("Command2");
        if (presses.size() < kPressesPerRun) {
            schedule(kPressInterval);
        }
    });
    rig.StartFade(kChannelCount);
    schedule(kFirstPress);
    if (!rig.RunUntil([&] { return presses.size() >= kPressesPerRun; }, kRunTimeout)) {
        throw std::runtime_error("the presses did not all happen");
    }
    rig.RunUntilLineClear();
    rig.Finish();
    const WireReader& reader = rig.Reader();
    CheckBoards(BoardTrail(rig.Writes(), reader));

    constexpr protocol::Byte kAllOff = protocol::PresetCode(protocol::Preset::AllOff);
    PressFigures figures;
    for (const Press& press : presses) {
        std::optional<Clock::time_point> arrived;
        for (std::size_t index = press.readBefore; index + 1 < reader.Count() && !arrived;
             ++index) {
            if (reader.Byte(index) == kAllOff && reader.Byte(index + 1) == protocol::kFrameEnd) {
                arrived = reader.Time(index + 1);
            }
        }
        if (!arrived) {
            throw std::runtime_error("an All OFF never reached the far end");
        }
        figures.latencyMs.Add(Milliseconds(*arrived - press.at).count());
    }
    figures.largestQueue = rig.LargestQueue();
    std::cerr << "All OFF: " << Spread(figures.latencyMs) << ", largest queue "
              << figures.largestQueue << " bytes\n";
    return figures;
}

// The clock row of one fade: its tick intervals against 25 ms, either way, and the
// click to 100 against 100 ticks.
void ReportClock(BenchReport& report, int channels, const Samples& intervals,
                 const Samples& clickTo100, const std::string& where) {
    Samples deviations;
    for (const double interval : intervals.Values()) {
        deviations.Add(std::abs(interval - kTickMs));
    }
    const double within = deviations.P99();
    const double fadeMs = clickTo100.Median();
    const double offPercent = (fadeMs - kIdealFadeMs) / kIdealFadeMs * 100.0;
    const bool met = within <= kClockToleranceMs + kRounding &&
                     std::abs(fadeMs - kIdealFadeMs) <= kIdealFadeMs * kFadeTolerance;
    const std::string key = "fade." + std::to_string(channels) + "ch";
    report.Row("fade clock, " + std::to_string(channels) + " channel(s): tick interval " + where +
                   "; click to 100",
               Spread(intervals, 2) + ", 99 % within 25 +- " + Ms(within, 2) + " ms (" +
                   std::to_string(intervals.Count()) + " intervals); " + Ms(fadeMs) + " ms (" +
                   (offPercent >= 0 ? "+" : "") + Ms(offPercent, 2) + " %)",
               "p99 within 25 +- 2 ms; 2500 ms +- 1 %", met ? Verdict::Met : Verdict::Missed);
    report.Value(key + ".interval_p50_ms", intervals.Median());
    report.Value(key + ".interval_p99_ms", intervals.P99());
    report.Value(key + ".interval_max_ms", intervals.Max());
    report.Value(key + ".interval_p99_deviation_ms", within);
    report.Value(key + ".click_to_100_ms", fadeMs);
}

}  // namespace

void MeasureFades(BenchReport& report) {
    // One fade has 99 intervals, too few for a p99 of its own: the runs are pooled.
    Samples oneWire;
    Samples oneFade;
    for (int run = 0; run < kFadeRuns; ++run) {
        const FadeFigures figures = FadeOnce(1, kUnpaced);
        oneWire.Add(figures.wireIntervals);
        oneFade.Add(figures.clickTo100Ms);
    }
    ReportClock(report, 1, oneWire, oneFade, "on the wire");

    Samples timer;
    Samples fade;
    Samples trail;
    Samples lastStep;
    Samples lineClear;
    Samples onWire;
    Samples dropped;
    std::size_t fadeQueue = 0;
    std::size_t rampSteps = 0;
    double rampWorst = 0.0;
    for (int run = 0; run < kFadeRuns; ++run) {
        const FadeFigures figures = FadeOnce(kChannelCount, kLineBytesPerSecond);
        timer.Add(figures.timerIntervals);
        fade.Add(figures.clickTo100Ms);
        trail.Add(figures.trailMs);
        lastStep.Add(figures.lastStepMs);
        lineClear.Add(figures.lineClearMs);
        onWire.Add(static_cast<double>(figures.onWire));
        dropped.Add(static_cast<double>(figures.dropped));
        fadeQueue = std::max(fadeQueue, figures.largestQueue);
        rampSteps = std::max(rampSteps, figures.rampSteps);
        rampWorst = std::max(rampWorst, figures.rampWorstMs);
    }
    ReportClock(report, kChannelCount, timer, fade, "at the port, the line overrun");

    Samples presses;
    std::size_t pressQueue = 0;
    for (int run = 0; run < kPressRuns; ++run) {
        const PressFigures figures =
            PressAllOffWhileFading(kPressSeed + static_cast<unsigned>(run));
        presses.Add(figures.latencyMs);
        pressQueue = std::max(pressQueue, figures.largestQueue);
    }
    report.Row("All OFF while 8 channels fade into 1920 bytes/s: click to 110, 255 read",
               Spread(presses) + " over " + std::to_string(presses.Count()) + " presses",
               "p99 < 15 ms", BenchReport::Below(presses.P99(), kPressGoalMs));

    const auto overGoal = std::count_if(trail.Values().begin(), trail.Values().end(),
                                        [](double value) { return value > kTrailGoalMs; });
    report.Row("boards behind the screen, 8-channel fade overrunning the line",
               Spread(trail) + " over " + std::to_string(trail.Count()) + " steps once overrun (" +
                   std::to_string(overGoal) + " above 11 ms); last step " + Ms(lastStep.Median()) +
                   " ms; the first " + std::to_string(rampSteps) + " steps, before that, up to " +
                   Ms(rampWorst) + " ms",
               "p99 <= 11 ms (2 frame times); last step <= 15 ms",
               trail.P99() <= kTrailGoalMs && lastStep.Median() <= kLastStepGoalMs
                   ? Verdict::Met
                   : Verdict::Missed);

    const std::size_t largest = std::max(fadeQueue, pressQueue);
    report.Row("largest transmit queue, 8-channel fade into 1920 bytes/s",
               std::to_string(largest) + " bytes (fade alone " + std::to_string(fadeQueue) +
                   ", with All OFF presses " + std::to_string(pressQueue) + ")",
               "<= 210 bytes", BenchReport::AtMost(static_cast<double>(largest), kQueueGoalBytes));

    // Every run has checked what the boards read; a fault would have ended the group.
    report.Row("backlog, 8 channels fading 0 to 100 into 1920 bytes/s",
               Ms(onWire.Median(), 0) + " of " + std::to_string(kFadeBytes) +
                   " bytes on the wire, " + Ms(dropped.Median(), 0) +
                   " stale frames dropped; line clear " + Ms(lineClear.Median()) +
                   " ms after the last step; boards end where the panel ends, no frame torn",
               "boards end where the panel ends; nothing torn", Verdict::Met);

    report.Value("overrun.all_off_p50_ms", presses.Median());
    report.Value("overrun.all_off_p99_ms", presses.P99());
    report.Value("overrun.all_off_max_ms", presses.Max());
    report.Value("overrun.trail_p50_ms", trail.Median());
    report.Value("overrun.trail_p99_ms", trail.P99());
    report.Value("overrun.trail_max_ms", trail.Max());
    report.Value("overrun.ramp_steps", static_cast<double>(rampSteps));
    report.Value("overrun.ramp_worst_ms", rampWorst);
    report.Value("overrun.last_step_ms", lastStep.Median());
    report.Value("overrun.largest_queue_bytes", static_cast<double>(largest));
    report.Value("backlog.bytes_on_wire", onWire.Median());
    report.Value("backlog.frames_dropped", dropped.Median());
    report.Value("backlog.line_clear_ms", lineClear.Median());
}

}  // namespace dimrix::bench
