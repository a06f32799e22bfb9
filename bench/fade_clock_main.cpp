// The fade clock of the Windows build, run under Wine by scripts/bench-under-wine.sh,
// which maps COM1 to a pseudo-terminal first: "F+" clicked on channel 0 of the real
// window, with the real Qt port behind it, three times from 0 to 100; each step's frame
// is stamped as the panel hands it to the port. Wine's timers are Linux's, so the row
// shows that the program's fade timer takes the precise path of Qt's Windows event
// dispatcher, not what a Windows kernel's timer would do. Prints the row as the bench's
// table and writes its figures to JSON-FILE.
//
// Usage: dimrix_bench_fade_clock JSON-FILE

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <functional>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "BenchReport.h"
#include "BenchRun.h"
#include "FadeClockRow.h"
#include "Samples.h"
#include "TimedPort.h"
#include "panel/PanelModel.h"
#include "protocol/Frames.h"
#include "window/Form1.h"

namespace dimrix::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// COM1 as the window offers it; the script has mapped it to a pseudo-terminal.
constexpr const char* kDevice = "COM1";
constexpr int kFadeSteps = protocol::kMaxLevel - protocol::kMinLevel;
constexpr int kFadeRuns = 3;
// Long enough for the window to be shown and painted once before anything is timed.
constexpr std::chrono::milliseconds kSettleTime{200};
// Coarse, so that it seldom wakes the event loop it shares with the fade timer.
constexpr std::chrono::milliseconds kWatchdogInterval{250};
// Twice the fade, for a machine busy with other work.
constexpr std::chrono::milliseconds kFadeTimeout{5000};
// Where channel 0's level sits in an address frame: after the address byte.
constexpr std::size_t kFirstLevelOffset = 1;

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        // The window's 25 ms timer sees to it that the condition is looked at again soon.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void Click(const window::Form1& window, const char* name) {
    auto* button = window.findChild<QAbstractButton*>(name);
    if (button == nullptr) {
        throw std::logic_error(std::string("the window has no control ") + name);
    }
    button->click();
}

// One fade, 0 to 100 on channel 0 of the first board: the intervals between the steps
// handed to the port, and the time from the click to the last of them.
void FadeOnce(Samples& intervals, Samples& clickTo100Ms) {
    WriteLog writes;
    window::Form1 window(std::make_unique<TimedPort>(kDevice, writes));
    // A report box waits for an operator; this one closes it and notes what it said.
    std::string reported;
    QTimer watchdog;
    watchdog.setTimerType(Qt::CoarseTimer);
    watchdog.setInterval(kWatchdogInterval);
    QObject::connect(&watchdog, &QTimer::timeout, [&reported] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            const auto* box = qobject_cast<QMessageBox*>(modal);
            reported = box != nullptr ? box->text().toStdString() : "a dialog";
            modal->close();
        }
    });
    watchdog.start();
    window.show();
    const Clock::time_point settled = Clock::now() + kSettleTime;
    RunUntil([settled] { return Clock::now() >= settled; }, kSettleTime);

    Click(window, "Command1");
    if (window.findChild<QAbstractButton*>("Command1")->text() != panel::kOnlineCaption) {
        throw std::runtime_error(std::string(kDevice) + " did not come online: " +
                                 (reported.empty() ? "no report" : reported));
    }
    // The port's opening held the event loop up, and a tick may be waiting; the fade is
    // clicked from the event loop, as an operator's click is, once the loop has settled.
    const Clock::time_point opened = Clock::now() + kSettleTime;
    RunUntil([opened] { return Clock::now() >= opened; }, kSettleTime);
    Clock::time_point clicked{};
    QTimer::singleShot(0, &window, [&] {
        clicked = Clock::now();
        Click(window, "Command9_0");
    });
    constexpr std::size_t kFadeBytes = kFadeSteps * protocol::kAddressFrameSize;
    const bool done = RunUntil([&] { return writes.bytes.size() >= kFadeBytes; }, kFadeTimeout);
    window.close();
    if (!reported.empty()) {
        throw std::runtime_error("the panel reported a failure: " + reported);
    }
    if (!done || writes.bytes.size() != kFadeBytes) {
        throw std::runtime_error("the fade handed over " + std::to_string(writes.bytes.size()) +
                                 " bytes, not " + std::to_string(kFadeBytes));
    }
    Clock::time_point last{};
    for (int step = 0; step < kFadeSteps; ++step) {
        const std::size_t start = static_cast<std::size_t>(step) * protocol::kAddressFrameSize;
        if (writes.bytes.at(start + kFirstLevelOffset) != step + 1) {
            throw std::runtime_error("step " + std::to_string(step + 1) +
                                     " did not set channel 0 to its level");
        }
        const Clock::time_point at = writes.times.at(start);
        if (step > 0) {
            intervals.Add(Milliseconds(at - last).count());
        }
        last = at;
    }
    clickTo100Ms.Add(Milliseconds(last - clicked).count());
    std::cerr << "fade under Wine: click to 100 " << clickTo100Ms.Values().back()
              << " ms; so far, ticks at the port " << intervals.Spread(2) << "\n";
}

void MeasureFadeClock(BenchReport& report) {
    Samples intervals;
    Samples clickTo100Ms;
    for (int run = 0; run < kFadeRuns; ++run) {
        FadeOnce(intervals, clickTo100Ms);
    }
    FadeClockRow::Report(
        report,
        "fade clock, Windows build under Wine, 1 channel: tick interval at the port; "
        "click to 100 (Wine's timers are Linux's: this shows the precise timer path, "
        "not a Windows kernel's timing)",
        "fade.wine.1ch", intervals, clickTo100Ms);
}

}  // namespace
}  // namespace dimrix::bench

int main(int argc, char** argv) {
    using namespace dimrix::bench;
    if (argc != 2) {
        std::cerr << "usage: dimrix_bench_fade_clock JSON-FILE\n";
        return 2;
    }
    // Nothing to watch on a display: the window draws into memory.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QApplication app(argc, argv);
    BenchRun run;
    run.Measure("fade clock, Windows build under Wine", MeasureFadeClock);
    return run.Finish(std::cout, argv[1]) ? 0 : 1;
}
