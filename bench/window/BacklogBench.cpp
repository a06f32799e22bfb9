// The line overrun: all eight channels fade at once (80 bytes every 25 ms, 3200 bytes/s)
// through the real window and the real serial port into a pseudo-terminal read no faster
// than the 1920 bytes/s that 19200 baud carries. The port keeps what the line has no time
// for in its own queue and, once the line is overrun, drops the frames that newer ones
// make stale.
//
// Two runs of it:
// - the fade alone, 0 to 100: how far the boards trail the screen, tick by tick, and at
//   the last step; how many of the bytes sent went on the wire; how soon the line is
//   clear; and whether the boards, decoded as they read the line, end where the panel
//   ends with no frame torn;
// - "All OFF" pressed while the fade runs, two seconds in and then every second (the
//   fade starts again from zero each time): from the click to 110, 255 read at the far
//   end.
// Both watch the port's queue after every byte the panel hands it.

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "protocol/Frames.h"
#include "protocol/LineDecoder.h"
#include "serial/qt/QtPortService.h"
#include "support/FigureReport.h"
#include "support/Samples.h"
#include "window/WindowRig.h"
#include "wire/BoardTrail.h"
#include "wire/TimedPort.h"
#include "wire/WireReader.h"

namespace dimrix::bench {
namespace {

using Clock = WireReader::Clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// 19200 baud, one start and one stop bit per octet.
constexpr double kLineBytesPerSecond = 1920.0;
constexpr int kFadeSteps = protocol::kMaxLevel - protocol::kMinLevel;
constexpr std::size_t kFadeBytes =
    static_cast<std::size_t>(kFadeSteps * protocol::kChannelCount) * protocol::kAddressFrameSize;

constexpr int kFadeRuns = 3;
constexpr int kPressRuns = 2;
constexpr std::size_t kPressesPerRun = 12;
constexpr std::chrono::milliseconds kFirstPress{2000};
constexpr std::chrono::milliseconds kPressInterval{1000};
// Each press lands at a random point of the 25 ms fade tick, so that together they
// sample every phase of it.
constexpr int kTickMilliseconds = 25;
constexpr unsigned kPressSeed = 20261208;

// Room for the longest run: about 15 s of fade at 3200 bytes/s handed over, of which
// 1920 bytes/s are read.
constexpr std::size_t kWriteCapacity = 128 * 1024;
constexpr std::size_t kReadCapacity = 64 * 1024;
// The fade has stopped once nothing was handed over for this long (four ticks).
constexpr std::chrono::milliseconds kQuiet{100};
constexpr std::chrono::milliseconds kRunTimeout{30000};

constexpr double kPressGoalMs = 15.0;
constexpr double kTrailGoalMs = 11.0;
constexpr double kLastStepGoalMs = 15.0;
constexpr std::size_t kQueueGoalBytes = 210;
constexpr double kP99 = 99.0;

const std::string kQueueGoal = "<= " + std::to_string(kQueueGoalBytes) + " bytes";
const std::string kPressGoal = "p99 < 15 ms";
const std::string kTrailGoal = "p99 <= 11 ms (2 frame times); last step <= 15 ms";
const std::string kBacklogGoal = "boards end where the panel ends; no frame torn";

// The real window on the real port, the port's far end read at the line's own speed,
// and every byte the panel hands the port logged with the port's queue after it.
class SlowLine {
public:
    SlowLine()
        : m_reader(m_pty, kReadCapacity, kLineBytesPerSecond),
          m_rig(std::make_unique<TimedPort>(OwnPort(), m_writes, kWriteCapacity,
                                            [this] { return m_port->QueuedBytes(); })) {
        m_rig.Connect();
        m_reader.Start();
    }

    WindowRig& Rig() { return m_rig; }
    [[nodiscard]] const WireReader& Reader() const { return m_reader; }
    [[nodiscard]] const WriteLog& Writes() const { return m_writes; }

    // "F+" on every channel.
    void StartFade() {
        for (int channel = 0; channel < protocol::kChannelCount; ++channel) {
            m_rig.Click("Command9_" + std::to_string(channel));
        }
    }

    // Runs the window until nothing more is handed over and the panel's last frame has
    // been read at the far end (it is never stale, so it always goes).
    void RunUntilLineClear() {
        const bool clear = m_rig.RunUntil(
            [this] {
                const std::size_t written = m_writes.bytes.size();
                const std::size_t read = m_reader.Count();
                if (written < protocol::kAddressFrameSize || read < protocol::kAddressFrameSize ||
                    Clock::now() - m_writes.times.back() < kQuiet) {
                    return false;
                }
                for (std::size_t back = 1; back <= protocol::kAddressFrameSize; ++back) {
                    if (m_reader.Byte(read - back) != m_writes.bytes[written - back]) {
                        return false;
                    }
                }
                return true;
            },
            kRunTimeout);
        if (!clear) {
            throw std::runtime_error("the panel's last frame never reached the far end");
        }
    }

    // Closes the window and stops reading.
    // @throws std::runtime_error if the panel reported anything: the run saw a failure.
    void Finish() {
        m_rig.Close();
        m_reader.Stop();
        if (!m_rig.Reports().empty()) {
            throw std::runtime_error("the panel reported a failure: " + m_rig.Reports().front());
        }
    }

    [[nodiscard]] std::size_t LargestQueue() const {
        return m_writes.queued.empty()
                   ? 0
                   : *std::max_element(m_writes.queued.begin(), m_writes.queued.end());
    }

private:
    std::unique_ptr<serial::PortService> OwnPort() {
        auto port = std::make_unique<serial::QtPortService>(
            serial::PortPaths{m_pty.SlavePath(), m_pty.SlavePath()});
        m_port = port.get();
        return port;
    }

    PseudoTerminal m_pty{PseudoTerminal::Slave::Kept};
    WireReader m_reader;
    WriteLog m_writes;
    // Owned by the window's panel, which outlives every write.
    serial::QtPortService* m_port = nullptr;
    WindowRig m_rig;
};

// What the boards decode must be what the panel sent, with stale states skipped only.
void CheckBoards(const BoardTrail& trail) {
    if (trail.Malformed() > 0 || !trail.EndsOnFrame() || trail.Strays() > 0 ||
        !trail.EndsWherePanelEnds()) {
        throw std::runtime_error(
            "the boards read " + std::to_string(trail.Malformed()) + " torn frame(s) and " +
            std::to_string(trail.Strays()) + " state(s) the panel never set" +
            (trail.EndsWherePanelEnds() ? "" : ", and end elsewhere than the panel"));
    }
}

struct FadeFigures {
    Samples trailMs;            // steps once the line is overrun
    std::size_t rampSteps = 0;  // steps before it surely was
    double rampWorstMs = 0.0;   // the worst of those
    double lastStepMs = 0.0;    // the screen's last step to the boards' last state
    double lineClearMs = 0.0;   // the last write to the last byte read
    std::size_t largestQueue = 0;
    std::size_t sent = 0;
    std::size_t onWire = 0;
    std::size_t framesDropped = 0;
};

FadeFigures FadeIntoSlowLine() {
    SlowLine line;
    line.StartFade();
    line.RunUntilLineClear();
    line.Finish();

    const WriteLog& writes = line.Writes();
    const WireReader& reader = line.Reader();
    const BoardTrail trail(writes, reader, reader.Count());
    CheckBoards(trail);
    protocol::LineDecoder::Boards faded{};
    faded.front().fill(protocol::kMaxLevel);
    if (trail.PanelEnd() != faded || trail.Steps().size() != static_cast<std::size_t>(kFadeSteps)) {
        throw std::runtime_error("the fade did not run from 0 to 100 in " +
                                 std::to_string(kFadeSteps) + " steps");
    }

    FadeFigures figures;
    for (const BoardTrail::Step& step : trail.Steps()) {
        const std::optional<Clock::time_point> reached = trail.Reached(step);
        if (!reached) {
            throw std::runtime_error("a step of the fade never reached the boards");
        }
        const double trailMs = Milliseconds(*reached - step.at).count();
        // Until the line counts as overrun the port still sends everything, and the
        // backlog that makes it start dropping builds up; a step handed over once the
        // boards have skipped a state surely came after that.
        if (trail.FirstSkip() && step.at >= *trail.FirstSkip()) {
            figures.trailMs.Add(trailMs);
            // The log lists every step that missed the goal with its distance from the
            // step before, which tells a late or bunched tick from a busy line.
            if (trailMs > kTrailGoalMs && &step != &trail.Steps().front()) {
                std::cerr << "  step " << &step - &trail.Steps().front() + 1 << ": " << trailMs
                          << " ms behind, " << Milliseconds(step.at - (&step - 1)->at).count()
                          << " ms after the step before\n";
            }
        } else {
            ++figures.rampSteps;
            figures.rampWorstMs = std::max(figures.rampWorstMs, trailMs);
        }
    }
    const BoardTrail::Step& last = trail.Steps().back();
    figures.lastStepMs = Milliseconds(*trail.Reached(last) - last.at).count();
    figures.lineClearMs =
        Milliseconds(reader.Time(reader.Count() - 1) - writes.times.back()).count();
    figures.largestQueue = line.LargestQueue();
    figures.sent = writes.bytes.size();
    figures.onWire = reader.Count();
    figures.framesDropped = trail.PanelFrames() - trail.BoardFrames();
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
    SlowLine line;
    std::vector<Press> presses;
    presses.reserve(kPressesPerRun);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> phase(0, kTickMilliseconds - 1);
    QTimer pressTimer;
    pressTimer.setTimerType(Qt::PreciseTimer);
    pressTimer.setSingleShot(true);
    const auto schedule = [&](std::chrono::milliseconds after) {
        pressTimer.start(after + std::chrono::milliseconds(phase(random)));
    };
    QObject::connect(&pressTimer, &QTimer::timeout, [&] {
        presses.push_back({Clock::now(), line.Reader().Count()});
        line.Rig().Click("Command2");
        if (presses.size() < kPressesPerRun) {
            schedule(kPressInterval);
        }
    });
    line.StartFade();
    schedule(kFirstPress);
    if (!line.Rig().RunUntil([&] { return presses.size() >= kPressesPerRun; }, kRunTimeout)) {
        throw std::runtime_error("the presses did not all happen");
    }
    // The last fade runs to its end; then the boards must be where the panel is.
    line.RunUntilLineClear();
    line.Finish();
    const WireReader& reader = line.Reader();
    CheckBoards(BoardTrail(line.Writes(), reader, reader.Count()));

    constexpr protocol::Byte kAllOff = protocol::PresetCode(protocol::Preset::AllOff);
    PressFigures figures;
    for (const Press& press : presses) {
        std::optional<Clock::time_point> arrived;
        for (std::size_t index = press.readBefore; index + 1 < reader.Count(); ++index) {
            if (reader.Byte(index) == kAllOff && reader.Byte(index + 1) == protocol::kFrameEnd) {
                arrived = reader.Time(index + 1);
                break;
            }
        }
        if (!arrived) {
            throw std::runtime_error("an All OFF never reached the far end");
        }
        figures.latencyMs.Add(Milliseconds(*arrived - press.at).count());
    }
    figures.largestQueue = line.LargestQueue();
    return figures;
}

std::string Ms(double value) {
    return FigureReport::Fixed(value, 1);
}

void Report(FigureReport& report) {
    Samples trail;
    Samples lastStep;
    Samples lineClear;
    Samples onWire;
    Samples dropped;
    std::size_t fadeQueue = 0;
    std::size_t rampSteps = 0;
    double rampWorst = 0.0;
    for (int run = 0; run < kFadeRuns; ++run) {
        const FadeFigures figures = FadeIntoSlowLine();
        for (const double value : figures.trailMs.Values()) {
            trail.Add(value);
        }
        lastStep.Add(figures.lastStepMs);
        lineClear.Add(figures.lineClearMs);
        onWire.Add(static_cast<double>(figures.onWire));
        dropped.Add(static_cast<double>(figures.framesDropped));
        fadeQueue = std::max(fadeQueue, figures.largestQueue);
        rampSteps = std::max(rampSteps, figures.rampSteps);
        rampWorst = std::max(rampWorst, figures.rampWorstMs);
        std::cerr << "fade run " << run << ": " << figures.rampSteps
                  << " steps before the boards first skipped a state (worst " << figures.rampWorstMs
                  << " ms behind), then " << figures.trailMs.Count() << " steps: p50 "
                  << figures.trailMs.Median() << " p99 " << figures.trailMs.Percentile(kP99)
                  << " max " << figures.trailMs.Max() << " ms behind; last step "
                  << figures.lastStepMs << " ms; line clear " << figures.lineClearMs
                  << " ms after the last write; " << figures.onWire << " of " << figures.sent
                  << " bytes on the wire, " << figures.framesDropped
                  << " frames dropped; largest queue " << figures.largestQueue << " bytes\n";
    }

    Samples presses;
    std::size_t pressQueue = 0;
    for (int run = 0; run < kPressRuns; ++run) {
        const PressFigures figures =
            PressAllOffWhileFading(kPressSeed + static_cast<unsigned>(run));
        for (const double value : figures.latencyMs.Values()) {
            presses.Add(value);
        }
        pressQueue = std::max(pressQueue, figures.largestQueue);
        std::cerr << "All OFF run " << run << ": p50 " << figures.latencyMs.Median() << " max "
                  << figures.latencyMs.Max() << " ms over " << figures.latencyMs.Count()
                  << " presses; largest queue " << figures.largestQueue << " bytes\n";
    }

    const double pressP99 = presses.Percentile(kP99);
    report.Row("All OFF while 8 channels fade into 1920 bytes/s: click to 110, 255 read",
               "p50 " + Ms(presses.Median()) + " / p99 " + Ms(pressP99) + " / max " +
                   Ms(presses.Max()) + " ms over " + std::to_string(presses.Count()) + " presses",
               kPressGoal, FigureReport::Below(pressP99, kPressGoalMs));

    const double trailP99 = trail.Percentile(kP99);
    const auto overGoal = std::count_if(trail.Values().begin(), trail.Values().end(),
                                        [](double value) { return value > kTrailGoalMs; });
    const bool trailMet = trailP99 <= kTrailGoalMs && lastStep.Median() <= kLastStepGoalMs;
    report.Row("boards behind the screen, 8-channel fade overrunning the line",
               "p50 " + Ms(trail.Median()) + " / p99 " + Ms(trailP99) + " / max " +
                   Ms(trail.Max()) + " ms over " + std::to_string(trail.Count()) +
                   " fade steps once overrun (" + std::to_string(overGoal) + " above " +
                   FigureReport::Fixed(kTrailGoalMs, 0) + " ms); last step " +
                   Ms(lastStep.Median()) + " ms (worst " + Ms(lastStep.Max()) +
                   "); before that, the first " + std::to_string(rampSteps) + " steps up to " +
                   Ms(rampWorst) + " ms",
               kTrailGoal, trailMet ? Verdict::Met : Verdict::Missed);

    const std::size_t largest = std::max(fadeQueue, pressQueue);
    report.Row("largest transmit queue, 8-channel fade into 1920 bytes/s",
               std::to_string(largest) + " bytes (fade alone " + std::to_string(fadeQueue) +
                   ", with All OFF presses " + std::to_string(pressQueue) + ")",
               kQueueGoal, largest <= kQueueGoalBytes ? Verdict::Met : Verdict::Missed);

    report.Row("backlog, 8 channels fading into 1920 bytes/s",
               FigureReport::Fixed(onWire.Median(), 0) + " of " + std::to_string(kFadeBytes) +
                   " bytes on the wire (" + FigureReport::Fixed(dropped.Median(), 0) +
                   " stale frames dropped); line clear " + Ms(lineClear.Median()) +
                   " ms after the fade's last step; boards end where the panel ends, no frame "
                   "torn",
               kBacklogGoal, Verdict::Met);

    report.Value("overrun.all_off_p50_ms", presses.Median());
    report.Value("overrun.all_off_p99_ms", pressP99);
    report.Value("overrun.all_off_max_ms", presses.Max());
    report.Value("overrun.all_off_presses", static_cast<double>(presses.Count()));
    report.Value("overrun.trail_p50_ms", trail.Median());
    report.Value("overrun.trail_p99_ms", trailP99);
    report.Value("overrun.trail_max_ms", trail.Max());
    report.Value("overrun.trail_steps", static_cast<double>(trail.Count()));
    report.Value("overrun.trail_steps_above_goal", static_cast<double>(overGoal));
    report.Value("overrun.ramp_worst_ms", rampWorst);
    report.Value("overrun.last_step_ms", lastStep.Median());
    report.Value("overrun.last_step_worst_ms", lastStep.Max());
    report.Value("overrun.largest_queue_bytes", static_cast<double>(largest));
    report.Value("backlog.bytes_sent", static_cast<double>(kFadeBytes));
    report.Value("backlog.bytes_on_wire", onWire.Median());
    report.Value("backlog.frames_dropped", dropped.Median());
    report.Value("backlog.line_clear_after_last_step_ms", lineClear.Median());
}

}  // namespace
}  // namespace dimrix::bench

int main(int argc, char** argv) {
    dimrix::bench::WindowRig::UseOffscreenPlatform();
    const QApplication app(argc, argv);
    dimrix::bench::FigureReport report(std::cout);
    try {
        dimrix::bench::Report(report);
    } catch (const std::exception& error) {
        std::cerr << "backlog bench failed: " << error.what() << '\n';
        report.Row("line overrun: All OFF, boards behind the screen, queue, backlog",
                   std::string("failed: ") + error.what(), dimrix::bench::kBacklogGoal,
                   dimrix::bench::Verdict::Missed);
    }
    return 0;
}
