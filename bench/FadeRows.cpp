// The fades, on the rig: "F+" clicked on one channel or on all eight. One channel fits
// the line, so its clock is judged on the wire; eight (3200 bytes/s) overrun it, so the
// far end reads at 1920 bytes/s, the wire shows the line's pace and the clock is judged at
// the port. Last, "All OFF" is pressed into that load.

#include <QTimer>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <optional>
#include <random>
#include <stdexcept>

#include "BoardTrail.h"
#include "FadeClockRow.h"
#include "Rows.h"
#include "Samples.h"
#include "WindowRig.h"
#include "protocol/Frames.h"
#include "serial/LineSettings.h"

namespace dimrix::bench {
namespace {

using Clock = WireReader::Clock;
using Milliseconds = std::chrono::duration<double, std::milli>;
using protocol::kChannelCount;

constexpr double kLineBytesPerSecond = serial::kBoardLineSettings.BytesPerSecond();
constexpr int kFadeSteps = protocol::kMaxLevel - protocol::kMinLevel;
constexpr std::chrono::milliseconds kTick{25};
constexpr int kFadeRuns = 3;
constexpr int kPressRuns = 2;
constexpr std::size_t kPressesPerRun = 12;
constexpr std::chrono::milliseconds kFirstPress{2000};
constexpr std::chrono::milliseconds kPressInterval{1000};
constexpr unsigned kPressSeed = 20261208;
constexpr std::chrono::seconds kRunTimeout{30};

constexpr double kPressGoalMs = 15.0;
constexpr double kTrailGoalMs = 11.0;
constexpr double kLastStepGoalMs = 15.0;
constexpr std::size_t kQueueGoalBytes = 210;

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

void FadeOnce(int channels, double bytesPerSecond, Fades& fades) {
    WindowRig rig(bytesPerSecond);
    rig.Connect();
    const Clock::time_point clicked = Clock::now();
    rig.StartFade(channels);
    rig.RunUntilLineClear();
    rig.Finish();
    const WireReader& reader = rig.Reader();
    const BoardTrail trail(rig.Writes(), reader);
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
        // Until the port starts dropping, the backlog that makes it drop builds up; a step
        // handed over once the boards have skipped a state surely came after that.
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
    fades.largestQueue = std::max(fades.largestQueue, std::ranges::max(rig.Writes().queued));
    std::cerr << channels << "-channel fade: click to 100 " << fades.clickTo100Ms.Values().back()
              << " ms; so far, ticks on the wire " << fades.wireIntervals.Spread(2)
              << ", at the port " << fades.timerIntervals.Spread(2) << "\n";
}

// Presses "All OFF" into an eight-channel fade, which goes on from zero after each, at a
// random point of the tick each time; adds the time from each click to its frame read.
std::size_t PressAllOffWhileFading(unsigned seed, Samples& latencyMs) {
    WindowRig rig(kLineBytesPerSecond);
    rig.Connect();
    std::vector<std::pair<Clock::time_point, std::size_t>> presses;  // when, bytes read then
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> phase(0, static_cast<int>(kTick.count()) - 1);
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
    const auto read = reader.Bytes();
    const auto allOff = protocol::PresetFrame(protocol::Preset::AllOff);
    for (const auto& [at, readBefore] : presses) {
        const auto found = std::search(read.begin() + static_cast<std::ptrdiff_t>(readBefore),
                                       read.end(), allOff.begin(), allOff.end());
        if (found == read.end()) {
            throw std::runtime_error("an All OFF never reached the far end");
        }
        const auto last = static_cast<std::size_t>(found - read.begin()) + allOff.size() - 1;
        latencyMs.Add(Milliseconds(reader.Time(last) - at).count());
    }
    std::cerr << "All OFF, so far: " << latencyMs.Spread() << '\n';
    return std::ranges::max(rig.Writes().queued);
}

}  // namespace

void MeasureFades(BenchReport& report) {
    Fades one;
    Fades eight;
    for (int run = 0; run < kFadeRuns; ++run) {
        FadeOnce(1, 0.0, one);
    }
    for (int run = 0; run < kFadeRuns; ++run) {
        FadeOnce(kChannelCount, kLineBytesPerSecond, eight);
    }
    FadeClockRow::Report(report, "fade clock, 1 channel: tick interval on the wire; click to 100",
                         "fade.1ch", one.wireIntervals, one.clickTo100Ms);
    FadeClockRow::Report(report,
                         "fade clock, " + std::to_string(kChannelCount) +
                             " channels: tick interval at the port, the line overrun; click to 100",
                         "fade." + std::to_string(kChannelCount) + "ch", eight.timerIntervals,
                         eight.clickTo100Ms);

    Samples presses;
    std::size_t pressQueue = 0;
    for (int run = 0; run < kPressRuns; ++run) {
        pressQueue = std::max(pressQueue, PressAllOffWhileFading(kPressSeed + run, presses));
    }
    report.Row("All OFF while 8 channels fade into 1920 bytes/s: click to 110, 255 read",
               presses.Spread() + " over " + std::to_string(presses.Count()) + " presses",
               "p99 < 15 ms", MetIf(presses.P99() < kPressGoalMs));

    const Samples& trail = eight.trailMs;
    const auto overGoal = std::count_if(trail.Values().begin(), trail.Values().end(),
                                        [](double value) { return value > kTrailGoalMs; });
    report.Row("boards behind the screen, 8-channel fade overrunning the line",
               trail.Spread() + " over " + std::to_string(trail.Count()) + " steps once overrun (" +
                   std::to_string(overGoal) + " above 11 ms); last step " +
                   Fixed(eight.lastStepMs.Median()) + " ms; the first " +
                   std::to_string(eight.rampSteps) + " steps, before that, up to " +
                   Fixed(eight.rampWorstMs) + " ms",
               "p99 <= 11 ms (2 frame times); last step <= 15 ms",
               MetIf(trail.P99() <= kTrailGoalMs && eight.lastStepMs.Median() <= kLastStepGoalMs));

    const std::size_t largest = std::max(eight.largestQueue, pressQueue);
    report.Row("largest transmit queue, 8-channel fade into 1920 bytes/s",
               std::to_string(largest) + " bytes (fade alone " +
                   std::to_string(eight.largestQueue) + ", with All OFF presses " +
                   std::to_string(pressQueue) + ")",
               "<= 210 bytes", MetIf(largest <= kQueueGoalBytes));

    // Every run has checked what the boards read; a fault would have ended the group.
    constexpr int kFadeBytes = kFadeSteps * kChannelCount * protocol::kAddressFrameSize;
    report.Row("backlog, 8 channels fading 0 to 100 into 1920 bytes/s",
               Fixed(eight.onWire.Median(), 0) + " of " + std::to_string(kFadeBytes) +
                   " bytes on the wire, " + Fixed(eight.dropped.Median(), 0) +
                   " stale frames dropped; line clear " + Fixed(eight.lineClearMs.Median()) +
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
