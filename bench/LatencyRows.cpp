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

// One step up from 0 and back, over and over: every move sends a frame. Adds the time
// from each hand-over to the last byte readable, and to the handler's return.
void MeasureOnce(Samples& wireUs, Samples& handlerUs) {
    WindowRig rig(static_cast<std::size_t>(kMoves) * protocol::kAddressFrameSize, 0.0);
    // The program sleeps in its event loop between events, as it does when run; the
    // reader wakes it once a frame is in, and the guard timer in case one never comes.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    rig.Connect([dispatcher] { dispatcher->wakeUp(); });
    auto* slider = qobject_cast<QAbstractSlider*>(rig.Find("VScroll1_" + std::to_string(kChannel)));
    const WireReader& reader = rig.Reader();
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
            wireUs.Add(Microseconds(reader.Time(expected - 1) - invoked).count());
            handlerUs.Add(Microseconds(returned - invoked).count());
        }
    }
    rig.Finish();
}

}  // namespace

void MeasureLatency(BenchReport& report) {
    Samples wireUs;
    Samples handlerUs;
    for (int run = 0; run < kRuns; ++run) {
        MeasureOnce(wireUs, handlerUs);
        std::cerr << "latency, after run " << run << ": p50 " << wireUs.Median() << " us, p99 "
                  << wireUs.P99() << " us, max " << wireUs.Max() << " us\n";
    }
    const auto ms = [](double micros) { return BenchReport::Fixed(micros * kMsPerUs, 3); };
    report.Row("event to wire: slider move through the shown window to its last byte read",
               "p50 " + ms(wireUs.Median()) + " / p99 " + ms(wireUs.P99()) + " / max " +
                   ms(wireUs.Max()) + " ms over " + std::to_string(wireUs.Count()) +
                   " moves; the handler returns after " + ms(handlerUs.Median()) + " ms",
               "p99 < 1 ms", BenchReport::Below(wireUs.P99() * kMsPerUs, kGoalMs));
    report.Value("latency.p50_ms", wireUs.Median() * kMsPerUs);
    report.Value("latency.p99_ms", wireUs.P99() * kMsPerUs);
    report.Value("latency.max_ms", wireUs.Max() * kMsPerUs);
    report.Value("latency.handler_p50_ms", handlerUs.Median() * kMsPerUs);
}

}  // namespace dimrix::bench
