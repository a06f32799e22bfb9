// Event to wire: from a channel-slider move handed to the shown window's scroll bar, as
// an arrow click hands it, to the last byte of its frame read at the far end.

#include <QAbstractEventDispatcher>
#include <QAbstractSlider>
#include <iostream>
#include <stdexcept>
#include <thread>

#include "Rows.h"
#include "Samples.h"
#include "WindowRig.h"
#include "protocol/Frames.h"

namespace dimrix::bench {
namespace {

using Clock = WireReader::Clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kRuns = 3;
constexpr int kWarmUpMoves = 100;
constexpr int kMoves = kWarmUpMoves + 1000;
constexpr int kChannel = 3;
// Longer than a frame's 5.2 ms on the wire, so every move meets an idle line.
constexpr std::chrono::microseconds kPauseBetweenMoves{6000};
// A frame that has not arrived by then is lost, not late.
constexpr std::chrono::seconds kFrameTimeout{2};
constexpr double kGoalMs = 1.0;

// One step up from 0 and back, over and over: every move sends a frame. Adds the time
// from each hand-over to the last byte read, and to the handler's return; Finish checks
// that every frame arrived whole.
void MeasureOnce(Samples& wireMs, Samples& handlerMs) {
    WindowRig rig(0.0);
    // The reader wakes the sleeping event loop once a frame is in.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    rig.Connect([dispatcher] { dispatcher->wakeUp(); });
    auto* slider = qobject_cast<QAbstractSlider*>(rig.Find("VScroll1_" + std::to_string(kChannel)));
    const WireReader& reader = rig.Reader();
    for (int move = 0; move < kMoves; ++move) {
        std::this_thread::sleep_for(kPauseBetweenMoves);
        const bool up = move % 2 == 0;
        const Clock::time_point invoked = Clock::now();
        // The top of the bar is 100, so a step towards the top raises the level.
        slider->triggerAction(up ? QAbstractSlider::SliderSingleStepSub
                                 : QAbstractSlider::SliderSingleStepAdd);
        const Clock::time_point returned = Clock::now();
        const std::size_t end = static_cast<std::size_t>(move + 1) * protocol::kAddressFrameSize;
        if (!rig.RunUntil([&] { return reader.Count() >= end; }, kFrameTimeout)) {
            throw std::runtime_error("a frame did not arrive within the timeout");
        }
        if (move >= kWarmUpMoves) {
            wireMs.Add(Milliseconds(reader.Time(end - 1) - invoked).count());
            handlerMs.Add(Milliseconds(returned - invoked).count());
        }
    }
    rig.Finish();
}

}  // namespace

void MeasureLatency(BenchReport& report) {
    Samples wireMs;
    Samples handlerMs;
    for (int run = 0; run < kRuns; ++run) {
        MeasureOnce(wireMs, handlerMs);
        std::cerr << "latency, after run " << run << ": " << wireMs.Spread(3) << '\n';
    }
    report.Row("event to wire: slider move through the shown window to its last byte read",
               wireMs.Spread(3) + " over " + std::to_string(wireMs.Count()) +
                   " moves; the handler returns after " + Fixed(handlerMs.Median(), 3) + " ms",
               "p99 < 1 ms", MetIf(wireMs.P99() < kGoalMs));
    report.Value("latency.p50_ms", wireMs.Median());
    report.Value("latency.p99_ms", wireMs.P99());
    report.Value("latency.max_ms", wireMs.Max());
    report.Value("latency.handler_p50_ms", handlerMs.Median());
}

}  // namespace dimrix::bench
