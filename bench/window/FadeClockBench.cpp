// The fade clock as the boards see it: the real window, its own 25 ms timer, the real
// serial port on a pseudo-terminal, and "F+" clicked on one channel and then on all
// eight. Each fade step is one tick; the gaps between the ticks' frames on the wire,
// and the time from the click to the frame carrying 100, show how well the window's
// timer keeps the 25 ms that one fade step is meant to take.
//
// Eight channels produce 3200 bytes/s, more than the 1920 that 19200 baud carries; the
// port then drops the frames that newer ones make stale, so the boards get each tick's
// last frame, a frame time or two after the tick. The gaps on the wire then show the
// line's pace as well as the timer's; the timer side (the gaps between the ticks' first
// writes to the port) shows the timer alone.

#include <QApplication>
#include <chrono>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "protocol/Frames.h"
#include "support/FigureReport.h"
#include "support/Samples.h"
#include "window/WindowRig.h"
#include "wire/FrameLog.h"
#include "wire/TimedPort.h"
#include "wire/WireReader.h"

namespace dimrix::bench {
namespace {

using Clock = WireReader::Clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kRuns = 3;
constexpr int kFadeSteps = protocol::kMaxLevel - protocol::kMinLevel;
constexpr double kTickMs = 25.0;
constexpr double kIdealFadeMs = kFadeSteps * kTickMs;
constexpr double kIntervalToleranceMs = 2.0;
// "Within" includes the bound itself, to the microsecond.
constexpr double kRounding = 0.001;
constexpr double kFadeTolerance = 0.01;
constexpr double kP1 = 1.0;
constexpr double kP99 = 99.0;
constexpr double kPercent = 100.0;
constexpr std::chrono::milliseconds kFadeTimeout{6000};

struct FadeFigures {
    Samples intervals;       // between ticks' frames on the wire
    Samples writeIntervals;  // between the ticks' first writes to the port
    Samples portToWire;      // from a frame's last write to the port to its arrival
    double durationMs = 0.0;
    std::size_t ticksSkipped = 0;  // ticks of which no frame reached the boards
};

// When each fade level was first seen, by level; a tick whose every frame was dropped
// as stale has none.
using Ticks = std::vector<std::optional<Clock::time_point>>;

// The gaps between consecutive ticks that were both seen, each given by the moment of
// its first frame.
void AddTickIntervals(const Ticks& ticks, Samples& into) {
    for (std::size_t tick = 1; tick < ticks.size(); ++tick) {
        if (ticks[tick] && ticks[tick - 1]) {
            into.Add(Milliseconds(*ticks[tick] - *ticks[tick - 1]).count());
        }
    }
}

// One fade from 0 to 100 on the first `channels` channels at once.
FadeFigures FadeOnce(int channels) {
    PseudoTerminal pty(PseudoTerminal::Slave::Kept);
    const std::size_t expected =
        static_cast<std::size_t>(kFadeSteps * channels) * protocol::kAddressFrameSize;
    WireReader reader(pty, expected, 0.0);
    WriteLog writes;
    WindowRig rig(std::make_unique<TimedPort>(WindowRig::PortOn(pty), writes, expected));
    rig.Connect();
    reader.Start();
    const Clock::time_point clicked = Clock::now();
    for (int channel = 0; channel < channels; ++channel) {
        rig.Click("Command9_" + std::to_string(channel));
    }
    // The fade's last frame is never stale, so it always goes.
    const auto lastFrameArrived = [&] {
        const std::size_t read = reader.Count();
        if (writes.bytes.size() < expected || read < protocol::kAddressFrameSize) {
            return false;
        }
        for (std::size_t back = 1; back <= protocol::kAddressFrameSize; ++back) {
            if (reader.Byte(read - back) != writes.bytes[expected - back]) {
                return false;
            }
        }
        return true;
    };
    const bool complete = rig.RunUntil(lastFrameArrived, kFadeTimeout);
    rig.Close();
    reader.Stop();
    if (!complete || !rig.Reports().empty()) {
        throw std::runtime_error("the fade did not complete (" + std::to_string(reader.Count()) +
                                 " bytes read, " + std::to_string(writes.bytes.size()) + " of " +
                                 std::to_string(expected) + " written)" +
                                 (rig.Reports().empty() ? "" : ": " + rig.Reports().front()));
    }
    const FrameLog log(reader, reader.Count());
    if (log.Malformed() > 0) {
        throw std::runtime_error("the fade's frames arrived damaged");
    }
    // Channel 0 steps first in every tick, so each tick's first frame is the one where
    // its level moves; the gaps between those frames are the gaps between ticks. On the
    // wire that is the tick's first frame that was not dropped as stale.
    // The level before the first tick is not a tick of its own.
    Ticks wireTicks(kFadeSteps + 1);
    Ticks writeTicks(kFadeSteps + 1);
    std::size_t skipped = 0;
    protocol::Level previous = protocol::kMinLevel;
    for (const ArrivedFrame& frame : log.Frames()) {
        const protocol::Level level = frame.levels[0];
        if (level == previous) {
            continue;
        }
        skipped += level - previous - 1;
        previous = level;
        wireTicks.at(level) = frame.end;
    }
    // One channel's frames fit the line, so none may go missing.
    if (channels == 1 && skipped > 0) {
        throw std::runtime_error("the fade skipped a step");
    }
    constexpr std::size_t kFirstLevel = 1;
    previous = protocol::kMinLevel;
    for (std::size_t start = 0; start < expected; start += protocol::kAddressFrameSize) {
        const protocol::Level level = writes.bytes[start + kFirstLevel];
        if (level != previous) {
            previous = level;
            writeTicks.at(level) = writes.times[start];
        }
    }
    // Each frame that arrived is the next written frame with the same bytes; the ones
    // in between were dropped.
    FadeFigures figures;
    std::size_t written = 0;
    for (const ArrivedFrame& frame : log.Frames()) {
        for (; written < expected; written += protocol::kAddressFrameSize) {
            bool same = writes.bytes[written] == frame.address;
            for (std::size_t channel = 0; same && channel < frame.levels.size(); ++channel) {
                same = writes.bytes[written + kFirstLevel + channel] == frame.levels[channel];
            }
            if (same) {
                break;
            }
        }
        if (written >= expected) {
            throw std::runtime_error("a frame arrived that was never written");
        }
        const std::size_t lastByte = written + protocol::kAddressFrameSize - 1;
        figures.portToWire.Add(Milliseconds(frame.end - writes.times[lastByte]).count());
        written += protocol::kAddressFrameSize;
    }
    figures.ticksSkipped = skipped;
    AddTickIntervals(wireTicks, figures.intervals);
    AddTickIntervals(writeTicks, figures.writeIntervals);
    figures.durationMs = Milliseconds(log.Frames().back().end - clicked).count();
    return figures;
}

void Describe(const char* what, const Samples& intervals) {
    std::cerr << "  " << what << " intervals: p1 " << intervals.Percentile(kP1) << " p50 "
              << intervals.Median() << " p99 " << intervals.Percentile(kP99) << " max "
              << intervals.Max() << " ms\n";
}

// One fade has 99 tick intervals, too few for a p99 of its own: the intervals of all
// runs are pooled, and the fade's duration is the median over the runs.
void ReportFade(FigureReport& report, int channels, const std::string& key) {
    Samples intervals;
    Samples writeIntervals;
    Samples portToWire;
    Samples duration;
    for (int run = 0; run < kRuns; ++run) {
        const FadeFigures figures = FadeOnce(channels);
        for (const double interval : figures.intervals.Values()) {
            intervals.Add(interval);
        }
        for (const double interval : figures.writeIntervals.Values()) {
            writeIntervals.Add(interval);
        }
        duration.Add(figures.durationMs);
        std::cerr << channels << " channel(s), run " << run << ": fade " << figures.durationMs
                  << " ms; " << figures.ticksSkipped << " ticks dropped whole as stale\n";
        Describe("wire", figures.intervals);
        Describe("write", figures.writeIntervals);
        std::cerr << "  port to wire: p50 " << figures.portToWire.Median() << " p99 "
                  << figures.portToWire.Percentile(kP99) << " max " << figures.portToWire.Max()
                  << " ms\n";
        for (const double delay : figures.portToWire.Values()) {
            portToWire.Add(delay);
        }
    }
    // Early frames count against the clock as much as late ones: the goal is on how far
    // the intervals stray from 25 ms either way.
    // One channel's frames fit the line, so the wire shows the timer's clock. Eight
    // channels overrun it: the first ticks queue up until the port starts dropping stale
    // frames, and after that each tick's newest frame waits for the one on the wire, so
    // the wire's gaps show the line's pace; the goal is then on the timer's own gaps.
    const bool lineKeepsUp = channels == 1;
    const Samples& clock = lineKeepsUp ? intervals : writeIntervals;
    Samples deviations;
    for (const double interval : clock.Values()) {
        deviations.Add(std::abs(interval - kTickMs));
    }
    const double p99Deviation = deviations.Percentile(kP99);
    const double p1 = intervals.Percentile(kP1);
    const double p50 = intervals.Median();
    const double p99 = intervals.Percentile(kP99);
    const double max = intervals.Max();
    const auto ms = [](double value) { return FigureReport::Fixed(value, 2); };
    const double offPercent = (duration.Median() - kIdealFadeMs) / kIdealFadeMs * kPercent;
    const std::string label =
        "fade clock, " + std::to_string(channels) + (channels == 1 ? " channel" : " channels");
    const std::string timerSide = "timer side p50 " + ms(writeIntervals.Median()) + " / p99 " +
                                  ms(writeIntervals.Percentile(kP99)) + " / max " +
                                  ms(writeIntervals.Max()) + " ms";
    const std::string wireSide =
        "on the wire p50 " + ms(p50) + " / p99 " + ms(p99) + " / max " + ms(max) + " ms";
    const std::string within = "99 % within 25 +- " + ms(p99Deviation) + " ms (" +
                               std::to_string(clock.Count()) + " intervals)";
    report.Row(label + (lineKeepsUp ? ": tick interval on the wire" : ": tick interval, timer"),
               lineKeepsUp
                   ? wireSide + "; " + within + " (p1 " + ms(p1) + "; " + timerSide +
                         "; port to wire p50 " + ms(portToWire.Median()) + " ms)"
                   : timerSide + "; " + within + " (" + wireSide +
                         ", the line overrun; port to wire p50 " + ms(portToWire.Median()) + " ms)",
               "p99 within 25 +- 2 ms",
               FigureReport::Below(p99Deviation, kIntervalToleranceMs + kRounding));
    const bool durationMet =
        std::abs(duration.Median() - kIdealFadeMs) <= kIdealFadeMs * kFadeTolerance;
    report.Row(label + ": click to 100",
               ms(duration.Median()) + " ms (" + (offPercent >= 0 ? "+" : "") +
                   FigureReport::Fixed(offPercent, 2) + " % of 2500 ms)",
               "within 1 % of 100 x 25 ms", durationMet ? Verdict::Met : Verdict::Missed);
    report.Value(key + ".interval_p99_deviation_ms", p99Deviation);
    report.Value(key + ".interval_p1_ms", p1);
    report.Value(key + ".interval_p50_ms", p50);
    report.Value(key + ".interval_p99_ms", p99);
    report.Value(key + ".interval_max_ms", max);
    report.Value(key + ".write_interval_p99_ms", writeIntervals.Percentile(kP99));
    report.Value(key + ".write_interval_max_ms", writeIntervals.Max());
    report.Value(key + ".port_to_wire_p50_ms", portToWire.Median());
    report.Value(key + ".port_to_wire_p99_ms", portToWire.Percentile(kP99));
    report.Value(key + ".fade_ms", duration.Median());
    report.Value(key + ".fade_ideal_ms", kIdealFadeMs);
}

}  // namespace
}  // namespace dimrix::bench

int main(int argc, char** argv) {
    dimrix::bench::WindowRig::UseOffscreenPlatform();
    const QApplication app(argc, argv);
    dimrix::bench::FigureReport report(std::cout);
    for (const int channels : {1, dimrix::protocol::kChannelCount}) {
        const std::string key = "fade." + std::to_string(channels) + "ch";
        try {
            dimrix::bench::ReportFade(report, channels, key);
        } catch (const std::exception& error) {
            std::cerr << "fade bench failed: " << error.what() << '\n';
            report.Row("fade clock, " + std::to_string(channels) + " channel(s)",
                       std::string("failed: ") + error.what(), "p99 within 25 +- 2 ms",
                       dimrix::bench::Verdict::NotRun);
        }
    }
    return 0;
}
