// What one panel operation costs on the user-interface thread, with the port reduced to
// a counter: the panel's own work per event, which bounds how fast drags, fades and
// broadcasts can be handled no matter how quick the real port is.

#include <chrono>
#include <cstdint>
#include <iostream>
#include <string>

#include <benchmark/benchmark.h>

#include "handlers/MedianReporter.h"
#include "panel/PanelModel.h"
#include "support/AllocationCounter.h"
#include "support/BenchPanel.h"
#include "support/FigureReport.h"

namespace dimrix::bench {
namespace {

using Clock = std::chrono::steady_clock;
using protocol::Level;

constexpr int kRepetitions = 5;
constexpr double kMinSecondsPerRepetition = 0.2;
constexpr double kGoalMicroseconds = 10.0;
constexpr double kNanosecondsPerMicrosecond = 1000.0;

constexpr int kDraggedChannel = 3;
constexpr Level kDragLow = 40;
constexpr Level kDragHigh = 41;
constexpr protocol::Address kHomeBoard = protocol::kFirstAddress;
constexpr protocol::Address kOtherBoard = protocol::kFirstAddress + 1;

constexpr const char* kBytesCounter = "bytes";
constexpr const char* kAllocationsCounter = "allocs";

// Per-operation figures from totals over the timed part of a run.
void SetCounters(benchmark::State& state, std::uint64_t bytes, std::uint64_t allocations) {
    state.counters[kBytesCounter] =
        benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
    state.counters[kAllocationsCounter] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The operator drags one channel back and forth by one step: every move changes the
// value, so every move builds and sends a frame.
void SliderMove(benchmark::State& state) {
    BenchPanel panel;
    panel::SliderModel& slider = panel.Model().VScroll1(kDraggedChannel);
    Level next = kDragHigh;
    const std::uint64_t bytesBefore = panel.Tally().bytes;
    const AllocationCounter allocations;
    for (auto _ : state) {
        slider.SetValue(next);
        next = next == kDragHigh ? kDragLow : kDragHigh;
    }
    SetCounters(state, panel.Tally().bytes - bytesBefore, allocations.Since());
}

// "ALL 50%" from all-zero; "All OFF" puts the levels back outside the timed part.
void PresetFromZero(benchmark::State& state) {
    BenchPanel panel;
    panel::PanelModel& model = panel.Model();
    std::uint64_t bytes = 0;
    std::uint64_t allocations = 0;
    for (auto _ : state) {
        const std::uint64_t bytesBefore = panel.Tally().bytes;
        const AllocationCounter counter;
        const Clock::time_point start = Clock::now();
        model.Command4_Click();
        state.SetIterationTime(SecondsSince(start));
        allocations += counter.Since();
        bytes += panel.Tally().bytes - bytesBefore;
        model.Command2_Click();
    }
    SetCounters(state, bytes, allocations);
}

// All eight channels fading; they turn round at either end outside the timed part, so
// that every timed tick steps all eight.
void FadeTickAllChannels(benchmark::State& state) {
    BenchPanel panel;
    panel::PanelModel& model = panel.Model();
    for (int channel = 0; channel < protocol::kChannelCount; ++channel) {
        model.Command9_Click(channel);
    }
    bool rising = true;
    std::uint64_t bytes = 0;
    std::uint64_t allocations = 0;
    for (auto _ : state) {
        const Level level = model.VScroll1(0).Value();
        if (level == (rising ? protocol::kMaxLevel : protocol::kMinLevel)) {
            for (int channel = 0; channel < protocol::kChannelCount; ++channel) {
                rising ? model.Command10_Click(channel) : model.Command9_Click(channel);
            }
            rising = !rising;
        }
        const std::uint64_t bytesBefore = panel.Tally().bytes;
        const AllocationCounter counter;
        const Clock::time_point start = Clock::now();
        model.Timer2_Timer();
        state.SetIterationTime(SecondsSince(start));
        allocations += counter.Since();
        bytes += panel.Tally().bytes - bytesBefore;
    }
    SetCounters(state, bytes, allocations);
}

// One tick of the refresh timer: every board's frame, 310 bytes.
void FullRefresh(benchmark::State& state) {
    BenchPanel panel;
    panel::PanelModel& model = panel.Model();
    model.Command7_Click();
    const std::uint64_t bytesBefore = panel.Tally().bytes;
    const AllocationCounter allocations;
    for (auto _ : state) {
        model.Timer1_Timer();
    }
    SetCounters(state, panel.Tally().bytes - bytesBefore, allocations.Since());
}

// Board 128 at zero, board 129 at 50 %: switching either way changes all eight sliders.
void AddressSwitch(benchmark::State& state) {
    BenchPanel panel;
    panel::PanelModel& model = panel.Model();
    model.Command4_Click();
    for (int channel = 0; channel < protocol::kChannelCount; ++channel) {
        model.VScroll1(channel).SetValue(protocol::kMinLevel);
    }
    panel::SliderModel& address = model.VScroll3();
    protocol::Address next = kOtherBoard;
    const std::uint64_t bytesBefore = panel.Tally().bytes;
    const AllocationCounter allocations;
    for (auto _ : state) {
        address.SetValue(next);
        next = next == kOtherBoard ? kHomeBoard : kOtherBoard;
    }
    SetCounters(state, panel.Tally().bytes - bytesBefore, allocations.Since());
}

void Configure(benchmark::internal::Benchmark* benchmark) {
    benchmark->Unit(benchmark::kNanosecond)
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(true)
        ->MinTime(kMinSecondsPerRepetition);
}

struct Case {
    const char* function;
    void (*body)(benchmark::State&);
    // Cases that must reset the panel between operations time only the operation.
    bool manualTime;
    const char* label;
};

constexpr Case kCases[] = {
    {"SliderMove", SliderMove, false, "channel-slider move"},
    {"PresetFromZero", PresetFromZero, true, "preset from all-zero"},
    {"FadeTickAllChannels", FadeTickAllChannels, true, "fade tick, 8 channels stepping"},
    {"FullRefresh", FullRefresh, false, "full refresh"},
    {"AddressSwitch", AddressSwitch, false, "address switch, 8 sliders change"},
};

// A zero count only means something if the counter sees allocations at all.
bool AllocationsAreCounted() {
    constexpr std::size_t kBeyondSmallString = 64;
    const AllocationCounter counter;
    std::string probe(kBeyondSmallString, 'x');
    benchmark::DoNotOptimize(probe.data());
    return counter.Since() > 0;
}

// One table row per case; the slider move also carries the allocation goal.
void ReportCases(const MedianReporter& medians, FigureReport& report) {
    const bool counted = AllocationsAreCounted();
    for (const Case& entry : kCases) {
        const std::string row = std::string("handler cost: ") + entry.label;
        const MedianReporter::Median* median = medians.Find(entry.function);
        if (median == nullptr) {
            report.Row(row, "did not run", "< 10 us", Verdict::NotRun);
            continue;
        }
        const double micros = median->nanoseconds / kNanosecondsPerMicrosecond;
        const double bytes = median->counters.at(kBytesCounter);
        const double allocations = median->counters.at(kAllocationsCounter);
        const bool isSlider = std::string(entry.function) == kCases[0].function;
        std::string figure = FigureReport::Fixed(micros, 3) + " us, " +
                             FigureReport::Fixed(bytes, 0) + " bytes, " +
                             FigureReport::Fixed(allocations, 2) + " allocations";
        Verdict verdict = FigureReport::Below(micros, kGoalMicroseconds);
        if (isSlider && (allocations > 0.0 || !counted)) {
            verdict = Verdict::Missed;
        }
        if (!counted) {
            figure += " (allocation counter inactive)";
        }
        report.Row(row, figure, isSlider ? "< 10 us, 0 allocations" : "< 10 us", verdict);
        const std::string key = std::string("handler.") + entry.function;
        report.Value(key + ".median_us", micros);
        report.Value(key + ".bytes", bytes);
        report.Value(key + ".allocations", allocations);
    }
}

}  // namespace
}  // namespace dimrix::bench

int main(int argc, char** argv) {
    using namespace dimrix::bench;
    benchmark::Initialize(&argc, argv);
    for (const Case& entry : kCases) {
        benchmark::internal::Benchmark* registered =
            benchmark::RegisterBenchmark(entry.function, entry.body);
        Configure(registered);
        if (entry.manualTime) {
            registered->UseManualTime();
        }
    }
    MedianReporter medians;
    // Google Benchmark's own table is the detail that goes to the log.
    medians.SetOutputStream(&std::cerr);
    medians.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&medians);
    benchmark::Shutdown();
    FigureReport report(std::cout);
    ReportCases(medians, report);
    return 0;
}
