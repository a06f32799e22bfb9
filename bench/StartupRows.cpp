// Start-up, footprint and idle cost of the real program, measured from outside: it is
// started as an operator would start it, with the offscreen platform and on a virtual X
// display, and watched through /proc and the X server.
//
// "Shown" differs by platform. On X it is the server mapping the window. Offscreen there
// is no server to ask, so it is the first time the main thread waits in its event loop:
// by then the window has been shown and the events that first paint it handled.
//
// The program is started in turn with two floors built in the same tree: a window with
// the program's widgets and no logic, which is the goal, and a bare window. The order
// rotates from round to round, so that neither is always first after a pause. Every
// instance is left running; once all are up they sit idle together for ten seconds. An
// idle instance wakes for its 25 ms fade timer and little else, so the ones already
// waiting do not disturb the next start.
//
// A further program (another tool of the project) is measured alike by adding it to
// the subjects: its start, peak memory and idle cost get rows of their own.

#include <iostream>
#include <memory>
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

struct Platform {
    const char* key;
    const char* qpa;
    const char* label;
    bool onX;  // needs the X display the bench runs under
};

constexpr Platform kPlatforms[] = {
    {"offscreen", "offscreen", "offscreen", false},
    {"xvfb", "xcb", "Xvfb", true},
};

struct Subject {
    const char* key;
    std::vector<std::string> argv;
};

// The order of the subjects.
enum SubjectIndex : std::size_t { kProgram, kWidgetFloor, kBareFloor };

// Figures of one subject on one platform.
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

void StartOne(const Subject& subject, const Platform& platform, MapWatcher& watcher,
              std::vector<Instance>& instances, Figures& figures) {
    if (platform.onX) {
        watcher.Drain();
    }
    auto run = std::make_unique<ProgramRun>(
        subject.argv, std::map<std::string, std::string>{{"QT_QPA_PLATFORM", platform.qpa}});
    const std::optional<Clock::time_point> shown =
        platform.onX ? watcher.WaitForMap(run->Started() + kStartTimeout)
                     : run->WaitForEventLoop(kStartTimeout);
    if (!shown) {
        ++figures.failedStarts;
        std::cerr << platform.label << ' ' << subject.key << ": never shown\n";
        return;
    }
    const double startMs = Milliseconds(*shown - run->Started()).count();
    figures.startMs.Add(startMs);
    std::cerr << platform.label << ' ' << subject.key << ": shown after " << startMs << " ms\n";
    instances.push_back({std::move(run), &figures});
}

std::string Fixed(double value, int decimals = 1) {
    return BenchReport::Fixed(value, decimals);
}

void ReportPlatform(BenchReport& report, const Platform& platform,
                    const std::vector<Subject>& subjects, const std::vector<Figures>& table) {
    const std::string on = std::string(" (") + platform.label + ")";
    const Figures& program = table[kProgram];
    const Figures& widgets = table[kWidgetFloor];
    const Figures& bare = table[kBareFloor];
    if (program.startMs.Empty() || widgets.startMs.Empty() || bare.startMs.Empty()) {
        report.Row("start-up" + on, "a window never showed", "< 250 ms", Verdict::NotRun);
        return;
    }
    const double start = program.startMs.Median();
    report.Row(
        "start-up to window shown" + on,
        Fixed(start) + " ms (" + Fixed(program.startMs.Min()) + "-" + Fixed(program.startMs.Max()) +
            " over " + std::to_string(program.startMs.Count()) + " starts)" +
            (program.failedStarts > 0
                 ? "; " + std::to_string(program.failedStarts) + " never showed"
                 : ""),
        "< 250 ms",
        program.failedStarts > 0 ? Verdict::Missed : BenchReport::Below(start, kStartGoalMs));
    // The floor's own starts spread as much as the comparison can tell.
    const double floor = widgets.startMs.Median();
    report.Row("start-up against the same widgets without logic" + on,
               Fixed(start / floor, 2) + " x (" + Fixed(floor) + " ms, its starts " +
                   Fixed(widgets.startMs.Min()) + "-" + Fixed(widgets.startMs.Max()) +
                   "); bare window " + Fixed(bare.startMs.Median()) + " ms, " +
                   Fixed(start / bare.startMs.Median(), 2) + " x",
               "within the same-widget window's spread",
               BenchReport::AtMost(start, widgets.startMs.Max()));
    const double peak = program.peakMb.Median();
    const double peakRatio = peak / bare.peakMb.Median();
    report.Row("peak resident memory" + on,
               Fixed(peak) + " MB (VmHWM after 10 s idle); " + Fixed(peakRatio, 2) +
                   " x bare window, " + Fixed(peak / widgets.peakMb.Median(), 2) +
                   " x same widgets",
               "< 60 MB; <= 1.3 x bare window",
               peak < kPeakGoalMb && peakRatio <= kPeakRatioGoal ? Verdict::Met : Verdict::Missed);
    report.Row("idle CPU, 10 s" + on, Fixed(program.idlePercent.Median(), 3) + " % of one core",
               "< 1 % of one core",
               BenchReport::Below(program.idlePercent.Median(), kIdleGoalPercent));
    for (std::size_t index = 0; index < subjects.size(); ++index) {
        const std::string key = std::string("startup.") + platform.key + '.' + subjects[index].key;
        report.Value(key + ".start_ms", table[index].startMs.Median());
        report.Value(key + ".peak_rss_mb", table[index].peakMb.Median());
        report.Value(key + ".idle_cpu_percent", table[index].idlePercent.Median());
    }
}

}  // namespace

void MeasureStartup(BenchReport& report, const StartupPrograms& programs) {
    const std::vector<Subject> subjects = {
        {"program", {programs.program}},
        {"same_widgets", {programs.floor, "widgets"}},
        {"bare_window", {programs.floor}},
    };
    MapWatcher watcher;
    const bool haveX = watcher.Connected();
    std::vector<Instance> instances;
    // By platform, then subject.
    std::vector<std::vector<Figures>> table(std::size(kPlatforms),
                                            std::vector<Figures>(subjects.size()));
    for (std::size_t platform = 0; platform < std::size(kPlatforms); ++platform) {
        if (kPlatforms[platform].onX && !haveX) {
            report.Row(std::string("start-up, memory, idle (") + kPlatforms[platform].label + ")",
                       "no X display (run under xvfb-run)", "-", Verdict::NotRun);
            continue;
        }
        for (std::size_t round = 0; round < kRounds; ++round) {
            for (std::size_t turn = 0; turn < subjects.size(); ++turn) {
                const std::size_t index = (round + turn) % subjects.size();
                StartOne(subjects[index], kPlatforms[platform], watcher, instances,
                         table[platform][index]);
                std::this_thread::sleep_for(kGapBetweenStarts);
            }
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
    for (std::size_t platform = 0; platform < std::size(kPlatforms); ++platform) {
        if (!kPlatforms[platform].onX || haveX) {
            ReportPlatform(report, kPlatforms[platform], subjects, table[platform]);
        }
    }
}

}  // namespace dimrix::bench
