// Event-to-wire latency: from the moment a channel-slider move is handed over to the
// moment the last byte of its frame can be read at the far end of the line, through the
// real Qt serial port on a pseudo-terminal. Two paths: the panel on the port with no
// window, and the real window (offscreen) with the move entering at its scroll bar as
// an arrow click would. The line is idle before every move, so this is the program's
// delay, not queueing behind earlier frames.
//
// The far end is read by a thread of its own, which stamps each byte as it becomes
// readable, whatever the program's thread is busy with; that thread meanwhile runs its
// event loop and sleeps in it between events, as the program does.

#include <QAbstractEventDispatcher>
#include <QAbstractSlider>
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "panel/PanelModel.h"
#include "protocol/Frames.h"
#include "support/AllocationCounter.h"
#include "support/FigureReport.h"
#include "support/QuietListener.h"
#include "support/Samples.h"
#include "window/WindowRig.h"
#include "wire/WireReader.h"

namespace dimrix::bench {
namespace {

using Clock = WireReader::Clock;
using Microseconds = std::chrono::duration<double, std::micro>;
using Level = protocol::Level;

constexpr int kRuns = 3;
constexpr int kWarmUpMoves = 100;
constexpr int kMovesPerRun = 1000;
constexpr int kChannel = 3;
// Lets the line and the program go quiet between moves, as between an operator's. The
// port paces the driver by the line's own clock, 19200 baud: a frame is on the wire for
// 5.2 ms after it was handed over, and the next one waits until then. The pause outlasts
// that, so every move meets an idle line.
constexpr std::chrono::microseconds kPauseBetweenMoves{6000};
// A frame that has not arrived by then is lost, not late.
constexpr std::chrono::seconds kFrameTimeout{2};
constexpr double kP99GoalMicroseconds = 1000.0;
constexpr double kMicrosecondsPerMillisecond = 1000.0;
constexpr double kP99 = 99.0;

struct RunFigures {
    Samples wire;         // hand-over to the last byte readable
    Samples handler;      // hand-over to the handler's return
    Samples allocations;  // heap allocations inside the handler
    int damagedFrames = 0;
};

/// Moves channel kChannel to the level, one way or another.
using Move = std::function<void(Level)>;

// Alternates the channel between two adjacent levels, so that every move sends.
RunFigures Measure(const PseudoTerminal& pty, const Move& move, Level low, Level high) {
    constexpr int kMoves = kWarmUpMoves + kMovesPerRun;
    RunFigures figures;
    figures.wire.Reserve(kMovesPerRun);
    figures.handler.Reserve(kMovesPerRun);
    figures.allocations.Reserve(kMovesPerRun);
    WireReader reader(pty, static_cast<std::size_t>(kMoves) * protocol::kAddressFrameSize, 0.0);
    // The program sleeps in its event loop between events, as it does when run; the
    // reader wakes it once a frame is in, and the guard timer in case one never comes.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    reader.SetOnArrival([dispatcher] { dispatcher->wakeUp(); });
    QTimer guard;
    guard.start(kFrameTimeout);
    reader.Start();
    protocol::ChannelLevels levels{};
    std::size_t expected = 0;
    for (int index = 0; index < kMoves; ++index) {
        std::this_thread::sleep_for(kPauseBetweenMoves);
        const Level level = index % 2 == 0 ? high : low;
        const AllocationCounter allocations;
        const Clock::time_point invoked = Clock::now();
        move(level);
        const Clock::time_point returned = Clock::now();
        const auto allocated = static_cast<double>(allocations.Since());
        const std::size_t first = expected;
        expected += protocol::kAddressFrameSize;
        while (reader.Count() < expected) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (Clock::now() - invoked > kFrameTimeout) {
                throw std::runtime_error("a frame did not arrive within the timeout");
            }
        }
        levels[kChannel] = level;
        const auto frame = protocol::AddressFrame(protocol::kFirstAddress, levels);
        for (std::size_t offset = 0; offset < frame.size(); ++offset) {
            if (reader.Byte(first + offset) != frame[offset]) {
                ++figures.damagedFrames;
                break;
            }
        }
        if (index >= kWarmUpMoves) {
            figures.wire.Add(Microseconds(reader.Time(expected - 1) - invoked).count());
            figures.handler.Add(Microseconds(returned - invoked).count());
            figures.allocations.Add(allocated);
        }
    }
    reader.Stop();
    return figures;
}

constexpr Level kModelLow = 40;
constexpr Level kModelHigh = 41;

RunFigures ThroughModel() {
    PseudoTerminal pty(PseudoTerminal::Slave::Kept);
    QuietListener listener;
    panel::PanelModel model(WindowRig::PortOn(pty), listener);
    model.Command1_Click();
    if (!model.PortIsOpen()) {
        throw std::runtime_error("the port did not open: " + listener.LastMessage());
    }
    const RunFigures figures = Measure(
        pty, [&](Level level) { model.VScroll1(kChannel).SetValue(level); }, kModelLow, kModelHigh);
    if (listener.Messages() > 0) {
        throw std::runtime_error("the panel reported a failure: " + listener.LastMessage());
    }
    model.Form_Unload();
    return figures;
}

// One arrow step up from 0 and back: the scroll bar's own action, as a click on its
// arrow triggers it.
RunFigures ThroughWindow() {
    PseudoTerminal pty(PseudoTerminal::Slave::Kept);
    WindowRig rig(WindowRig::PortOn(pty));
    rig.Connect();
    auto* slider = rig.Find<QAbstractSlider>("VScroll1_" + std::to_string(kChannel));
    const RunFigures figures = Measure(
        pty,
        [slider](Level level) {
            // The top of the bar is 100, so a step towards the top raises the level.
            slider->triggerAction(level > protocol::kMinLevel
                                      ? QAbstractSlider::SliderSingleStepSub
                                      : QAbstractSlider::SliderSingleStepAdd);
        },
        protocol::kMinLevel, protocol::kMinLevel + 1);
    rig.Close();
    if (!rig.Reports().empty()) {
        throw std::runtime_error("the panel reported a failure: " + rig.Reports().front());
    }
    return figures;
}

void Report(FigureReport& report, const std::string& label, const std::string& key,
            const std::function<RunFigures()>& runOnce) {
    Samples p50;
    Samples p99;
    Samples max;
    Samples handlerP50;
    Samples allocations;
    double worst = 0.0;
    int damaged = 0;
    for (int run = 0; run < kRuns; ++run) {
        const RunFigures figures = runOnce();
        p50.Add(figures.wire.Median());
        p99.Add(figures.wire.Percentile(kP99));
        max.Add(figures.wire.Max());
        handlerP50.Add(figures.handler.Median());
        allocations.Add(figures.allocations.Median());
        worst = std::max(worst, figures.wire.Max());
        damaged += figures.damagedFrames;
        std::cerr << key << " run " << run << ": p50 " << figures.wire.Median() << " us, p99 "
                  << figures.wire.Percentile(kP99) << " us, max " << figures.wire.Max()
                  << " us; handler p50 " << figures.handler.Median() << " us, "
                  << figures.allocations.Median() << " allocations\n";
    }
    const auto ms = [](double micros) {
        return FigureReport::Fixed(micros / kMicrosecondsPerMillisecond, 3);
    };
    std::string figure = "p50 " + ms(p50.Median()) + " / p99 " + ms(p99.Median()) + " / max " +
                         ms(max.Median()) + " ms over " + std::to_string(kMovesPerRun) +
                         " moves (handler returns after " + ms(handlerP50.Median()) + " ms, " +
                         FigureReport::Fixed(allocations.Median(), 0) + " allocations)";
    if (damaged > 0) {
        figure += "; " + std::to_string(damaged) + " frames damaged";
    }
    const Verdict verdict =
        damaged > 0 ? Verdict::Missed : FigureReport::Below(p99.Median(), kP99GoalMicroseconds);
    report.Row(label, figure, "p99 < 1 ms", verdict);
    report.Value(key + ".p50_ms", p50.Median() / kMicrosecondsPerMillisecond);
    report.Value(key + ".p99_ms", p99.Median() / kMicrosecondsPerMillisecond);
    report.Value(key + ".max_ms", max.Median() / kMicrosecondsPerMillisecond);
    report.Value(key + ".worst_max_ms", worst / kMicrosecondsPerMillisecond);
    report.Value(key + ".handler_p50_ms", handlerP50.Median() / kMicrosecondsPerMillisecond);
    report.Value(key + ".handler_allocations", allocations.Median());
    report.Value(key + ".moves_per_run", kMovesPerRun);
    report.Value(key + ".damaged_frames", damaged);
}

}  // namespace
}  // namespace dimrix::bench

int main(int argc, char** argv) {
    using namespace dimrix::bench;
    dimrix::bench::WindowRig::UseOffscreenPlatform();
    const QApplication app(argc, argv);
    FigureReport report(std::cout);
    const struct {
        const char* label;
        const char* key;
        RunFigures (*runOnce)();
    } paths[] = {
        {"event-to-wire latency, slider move, panel on the Qt port", "latency.panel", ThroughModel},
        {"event-to-wire latency, slider move through the shown window", "latency.window",
         ThroughWindow},
    };
    for (const auto& path : paths) {
        try {
            Report(report, path.label, path.key, path.runOnce);
        } catch (const std::exception& error) {
            std::cerr << path.key << " failed: " << error.what() << '\n';
            report.Row(path.label, std::string("failed: ") + error.what(), "p99 < 1 ms",
                       Verdict::NotRun);
        }
    }
    return 0;
}
