// Event to wire: from the moment a channel-slider move is handed to the shown window's
// scroll bar, as an arrow click hands it, to the moment the last byte of its frame can
// be read at the far end. The line is idle before every move, so this is the program's
// delay, not queueing behind earlier frames.
//
// The far end is read by a thread of its own, which stamps each byte as it becomes
// readable, whatever the program's thread is busy with; that thread meanwhile runs its
// event loop and sleeps in it between events, as the program does.

#include <QAbstractEventDispatcher>
#include <QAbstractSlider>
#include <QCoreApplication>
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
using Microseconds = std::chrono::duration<double, std::micro>;

constexpr int kRuns = 3;
constexpr int kWarmUpMoves = 100;
constexpr int kMovesPerRun = 1000;
constexpr int kMoves = kWarmUpMoves + kMovesPerRun;
constexpr int kChannel = 3;
// The port paces the driver by the line's own clock: a frame is on the wire for 5.2 ms
// after it was handed over, and the next one waits until then. The pause outlasts that,
// so every move meets an idle line.
constexpr std::chrono::microseconds kPauseBetweenMoves{6000};
// A frame that has not arrived by then is lost, not late.
constexpr std::chrono::seconds kFrameTimeout{2};
constexpr double kGoalMs = 1.0;
constexpr double kMsPerUs = 0.001;

struct RunFigures {
    Samples wireUs;     // hand-over to the last byte readable
    Samples handlerUs;  // hand-over to the handler's return
};

// One step up from 0 and back, over and over: every move sends a frame.
RunFigures MeasureOnce() {
    WindowRig rig(static_cast<std::size_t>(kMoves) * protocol::kAddressFrameSize, 0.0);
    // The program sleeps in its event loop between events, as it does when run; the
    // reader wakes it once a frame is in, and the guard timer in case one never comes.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    rig.Connect([dispatcher] { dispatcher->wakeUp(); });
    auto* slider = qobject_cast<QAbstractSlider*>(rig.Find("VScroll1_" + std::to_string(kChannel)));
    const WireReader& reader = rig.Reader();
    RunFigures figures;
    protocol::ChannelLevels levels{};
    std::size_t expected = 0;
    for (int index = 0; index < kMoves; ++index) {
        std::this_thread::sleep_for(kPauseBetweenMoves);
        const bool up = index % 2 == 0;
        const Clock::time_point invoked = Clock::now();
        // The top of the bar is 100, so a step towards the top raises the level.
        slider->triggerAction(up ? QAbstractSlider::SliderSingleStepSub
                                 : QAbstractSlider::SliderSingleStepAdd);
        const Clock::time_point returned = Clock::now();
        const std::size_t first = expected;
        expected += protocol::kAddressFrameSize;
        if (!rig.RunUntil([&] { return reader.Count() >= expected; }, kFrameTimeout)) {
            throw std::runtime_error("a frame did not arrive within the timeout");
        }
        levels[kChannel] = up ? protocol::kMinLevel + 1 : protocol::kMinLevel;
        const auto frame = protocol::AddressFrame(protocol::kFirstAddress, levels);
        for (std::size_t offset = 0; offset < frame.size(); ++offset) {
            if (reader.Byte(first + offset) != frame[offset]) {
                throw std::runtime_error("a frame arrived damaged");
            }
        }
        if (index >= kWarmUpMoves) {
            figures.wireUs.Add(Microseconds(reader.Time(expected - 1) - invoked).count());
            figures.handlerUs.Add(Microseconds(returned - invoked).count());
        }
    }
    rig.Finish();
    return figures;
}

}  // namespace

void MeasureLatency(BenchReport& report) {
    Samples p50;
    Samples p99;
    Samples max;
    Samples handler;
    for (int run = 0; run < kRuns; ++run) {
        const RunFigures figures = MeasureOnce();
        p50.Add(figures.wireUs.Median() * kMsPerUs);
        p99.Add(figures.wireUs.P99() * kMsPerUs);
        max.Add(figures.wireUs.Max() * kMsPerUs);
        handler.Add(figures.handlerUs.Median() * kMsPerUs);
        std::cerr << "latency run " << run << ": p50 " << figures.wireUs.Median() << " us, p99 "
                  << figures.wireUs.P99() << " us, max " << figures.wireUs.Max()
                  << " us; handler p50 " << figures.handlerUs.Median() << " us\n";
    }
    const auto ms = [](double value) { return BenchReport::Fixed(value, 3); };
    report.Row("event to wire: slider move through the shown window to its last byte read",
               "p50 " + ms(p50.Median()) + " / p99 " + ms(p99.Median()) + " / max " +
                   ms(max.Median()) + " ms over " + std::to_string(kMovesPerRun) +
                   " moves; the handler returns after " + ms(handler.Median()) + " ms",
               "p99 < 1 ms", BenchReport::Below(p99.Median(), kGoalMs));
    report.Value("latency.p50_ms", p50.Median());
    report.Value("latency.p99_ms", p99.Median());
    report.Value("latency.max_ms", max.Median());
    report.Value("latency.handler_p50_ms", handler.Median());
}

}  // namespace dimrix::bench
