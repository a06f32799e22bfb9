// Start-up, footprint and idle cost of the real program, measured from outside: it is
// started as an operator would start it, on the virtual X display the bench runs under,
// and watched through /proc and the X server. "Shown" is the server mapping the window.
//
// The program is started in turn with two floors built in the same tree: a window with
// the program's widgets and no logic, which is the goal, and a bare window. The order
// rotates from round to round, so that none is always first after a pause. Every
// instance is left running; once all are up they sit idle together for ten seconds. An
// idle instance wakes for its 25 ms fade timer and little else, so the ones already
// waiting do not disturb the next start.
//
// Another program of the project is measured alike by adding it to the subjects; its
// start, peak memory and idle cost then go to the JSON, ready for rows of their own.

#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "MapWatcher.h"
#include "ProgramRun.h"
#include "Rows.h"
#include "Samples.h"

namespace dimrix::bench {
namespace {

using Clock = ProgramRun::Clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kRounds = 7;
constexpr std::chrono::milliseconds kStartTimeout{10000};
// Lets one start finish its after-work (first timers, lazy loading) before the next.
constexpr std::chrono::milliseconds kGapBetweenStarts{300};
constexpr std::chrono::milliseconds kSettleBeforeIdle{1000};
constexpr std::chrono::seconds kIdleWindow{10};
constexpr double kStartGoalMs = 250.0;
constexpr double kPeakGoalMb = 60.0;
constexpr double kPeakRatioGoal = 1.3;
constexpr double kIdleGoalPercent = 1.0;
constexpr double kPercent = 100.0;

// What is started. A program without a window has no start-up figure; it is kept
// running from its start, for its memory and idle cost.
struct Subject {
    const char* key;
    std::vector<std::string> argv;
    bool window = true;
};

// The first subjects, in this order; the rows compare them.
enum SubjectIndex : std::size_t { kProgram, kWidgetFloor, kBareFloor };

// Figures of one subject.
struct Figures {
    Samples startMs;
    Samples peakMb;
    Samples idlePercent;
    int failedStarts = 0;
};

struct Instance {
    std::unique_ptr<ProgramRun> run;
    Figures* figures;
    double cpuAtStart = 0.0;
};

std::string Fixed(double value, int decimals = 1) {
    return BenchReport::Fixed(value, decimals);
}

void Report(BenchReport& report, const std::vector<Subject>& subjects,
            const std::vector<Figures>& figures) {
    const std::string on = " (Xvfb)";
    const Figures& program = figures[kProgram];
    const Samples& floor = figures[kWidgetFloor].startMs;
    const Figures& bare = figures[kBareFloor];
    if (program.startMs.Empty() || floor.Empty() || bare.startMs.Empty()) {
        report.Row("start-up" + on, "a window never showed", "< 250 ms", Verdict::NotRun);
        return;
    }
    const double start = program.startMs.Median();
    report.Row(
        "start-up to window shown" + on,
        Fixed(start) + " ms (" + Fixed(program.startMs.Min()) + "-" + Fixed(program.startMs.Max()) +
            " over " + std::to_string(program.startMs.Count()) + " starts, " +
            std::to_string(program.failedStarts) + " never shown)",
        "< 250 ms",
        program.failedStarts > 0 ? Verdict::Missed : BenchReport::Below(start, kStartGoalMs));
    // The floor's own starts spread as much as the comparison can tell apart.
    report.Row("start-up against the same widgets without logic" + on,
               Fixed(start / floor.Median(), 2) + " x (" + Fixed(floor.Median()) +
                   " ms, its starts " + Fixed(floor.Min()) + "-" + Fixed(floor.Max()) +
                   "); bare window " + Fixed(bare.startMs.Median()) + " ms, " +
                   Fixed(start / bare.startMs.Median(), 2) + " x",
               "within the same-widget window's spread", BenchReport::AtMost(start, floor.Max()));
    const double peak = program.peakMb.Median();
    const double peakRatio = peak / bare.peakMb.Median();
    report.Row("peak resident memory" + on,
               Fixed(peak) + " MB (VmHWM after 10 s idle); " + Fixed(peakRatio, 2) +
                   " x bare window, " + Fixed(peak / figures[kWidgetFloor].peakMb.Median(), 2) +
                   " x same widgets",
               "< 60 MB; <= 1.3 x bare window",
               peak < kPeakGoalMb && peakRatio <= kPeakRatioGoal ? Verdict::Met : Verdict::Missed);
    report.Row("idle CPU, 10 s" + on, Fixed(program.idlePercent.Median(), 3) + " % of one core",
               "< 1 % of one core",
               BenchReport::Below(program.idlePercent.Median(), kIdleGoalPercent));
    for (std::size_t subject = 0; subject < subjects.size(); ++subject) {
        const std::string key = std::string("startup.") + subjects[subject].key + '.';
        report.Value(key + "start_ms", figures[subject].startMs.Median());
        report.Value(key + "peak_rss_mb", figures[subject].peakMb.Median());
        report.Value(key + "idle_cpu_percent", figures[subject].idlePercent.Median());
    }
}

}  // namespace

void MeasureStartup(BenchReport& report) {
    MapWatcher watcher;
    if (!watcher.Connected()) {
        report.Row("start-up, memory, idle", "no X display (run under xvfb-run)", "-",
                   Verdict::NotRun);
        return;
    }
    const std::vector<Subject> subjects = {
        {"program", {DIMRIX_PROGRAM_PATH}},
        {"same_widgets", {DIMRIX_FLOOR_PATH, "widgets"}},
        {"bare_window", {DIMRIX_FLOOR_PATH}},
    };
    // The bench draws offscreen; what it starts goes to the X display.
    const std::map<std::string, std::string> onX{{"QT_QPA_PLATFORM", "xcb"}};
    std::vector<Instance> instances;
    std::vector<Figures> figures(subjects.size());
    for (std::size_t round = 0; round < kRounds; ++round) {
        for (std::size_t turn = 0; turn < subjects.size(); ++turn) {
            const std::size_t subject = (round + turn) % subjects.size();
            watcher.Drain();
            auto run = std::make_unique<ProgramRun>(subjects[subject].argv, onX);
            const std::optional<Clock::time_point> shown =
                subjects[subject].window ? watcher.WaitForMap(run->Started() + kStartTimeout)
                                         : run->Started();
            std::cerr << subjects[subject].key << ": shown after "
                      << (shown ? Milliseconds(*shown - run->Started()).count() : -1.0) << " ms\n";
            if (shown) {
                if (subjects[subject].window) {
                    figures[subject].startMs.Add(Milliseconds(*shown - run->Started()).count());
                }
                instances.push_back({std::move(run), &figures[subject]});
            } else {
                ++figures[subject].failedStarts;
            }
            std::this_thread::sleep_for(kGapBetweenStarts);
        }
    }

    std::this_thread::sleep_for(kSettleBeforeIdle);
    for (Instance& instance : instances) {
        instance.cpuAtStart = instance.run->CpuSeconds();
    }
    const Clock::time_point idleFrom = Clock::now();
    std::this_thread::sleep_for(kIdleWindow);
    const double idleSeconds = std::chrono::duration<double>(Clock::now() - idleFrom).count();
    for (Instance& instance : instances) {
        const double used = instance.run->CpuSeconds() - instance.cpuAtStart;
        instance.figures->idlePercent.Add(used / idleSeconds * kPercent);
        instance.figures->peakMb.Add(instance.run->PeakResidentMb());
        instance.run.reset();
    }
    Report(report, subjects, figures);
}

}  // namespace dimrix::bench
