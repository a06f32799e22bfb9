// Start-up, footprint and CPU cost of the project's programs, watched from outside
// through /proc and the X server, each started as an operator starts it. Every instance
// is left running; once all are up they spend ten seconds together, the panel and the
// floors idle and every monitor's line carrying an eight-channel fade.

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "FadeFeed.h"
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
constexpr std::chrono::milliseconds kSettle{1000};
constexpr std::chrono::seconds kMeasured{10};
// Finer than a frame's 5.2 ms on the wire, so the lines carry their frames one by one.
constexpr std::chrono::milliseconds kFeedStep{2};
constexpr double kStartGoalMs = 250.0;
constexpr double kPeakGoalMb = 60.0;
constexpr double kPeakRatioGoal = 1.3;
constexpr double kIdleGoalPercent = 1.0;
constexpr double kTextMonitorGoalPercent = 1.0;
constexpr double kWindowMonitorGoalPercent = 5.0;
constexpr double kPercent = 100.0;

struct Subject {
    const char* key;
    std::vector<std::string> argv;
    bool window = true;  // without one, it counts as started at once
    bool fed = false;    // its last argument is a line carrying a fade
};

// In this order; the rows compare them.
enum SubjectIndex : std::size_t { kPanel, kWidgetFloor, kBareFloor, kMonitorWindow, kMonitorText };

struct Figures {
    Samples startMs;
    Samples peakMb;
    Samples cpuPercent;
    Samples fedPerSecond;    // bytes each monitor's line carried
    std::size_t unread = 0;  // the most any monitor had left unread at the end
    int failed = 0;          // never shown, or gone before the end
};

struct Instance {
    std::unique_ptr<FadeFeed> feed;  // outlives the run: the device never vanishes under it
    std::unique_ptr<ProgramRun> run;
    Figures* figures;
    double cpuAtStart = 0.0;
};

std::string Range(const Samples& samples, int decimals = 1) {
    return Fixed(samples.Min(), decimals) + "-" + Fixed(samples.Max(), decimals);
}

void ReportMonitorCpu(BenchReport& report, const Figures& monitor, const char* mode, double goal) {
    const Samples& cpu = monitor.cpuPercent;
    report.Row(std::string("bus monitor CPU, ") + mode +
                   ", its line carrying 8-channel fade frames at 1920 bytes/s",
               Fixed(cpu.Median(), 2) + " % of one core (" + Range(cpu, 2) + " over " +
                   std::to_string(cpu.Count()) + " runs of 10 s, " +
                   std::to_string(monitor.failed) + " failed); the line carried " +
                   Fixed(monitor.fedPerSecond.Min(), 0) + " bytes/s or more, at most " +
                   std::to_string(monitor.unread) + " bytes left unread",
               "< " + Fixed(goal, 0) + " % of one core",
               cpu.Empty() ? Verdict::NotRun : MetIf(monitor.failed == 0 && cpu.Median() < goal));
}

void Report(BenchReport& report, const std::vector<Subject>& subjects,
            const std::vector<Figures>& figures) {
    const Figures& panel = figures[kPanel];
    const Samples& floor = figures[kWidgetFloor].startMs;
    const Figures& bare = figures[kBareFloor];
    const double start = panel.startMs.Median();
    report.Row("start-up to window shown (Xvfb)",
               Fixed(start) + " ms (" + Range(panel.startMs) + " over " +
                   std::to_string(panel.startMs.Count()) + " starts, " +
                   std::to_string(panel.failed) + " never shown)",
               "< 250 ms", MetIf(panel.failed == 0 && start < kStartGoalMs));
    // The floor's own starts spread as much as the comparison can tell apart.
    report.Row("start-up against the same widgets without logic (Xvfb)",
               Fixed(start / floor.Median(), 2) + " x (" + Fixed(floor.Median()) +
                   " ms, its starts " + Range(floor) + "); bare window " +
                   Fixed(bare.startMs.Median()) + " ms, " +
                   Fixed(start / bare.startMs.Median(), 2) + " x",
               "within the same-widget window's spread", MetIf(start <= floor.Max()));
    const double peak = panel.peakMb.Median();
    const double bareMb = bare.peakMb.Median();
    report.Row("peak resident memory (Xvfb)",
               Fixed(peak) + " MB (VmHWM after 10 s idle); " + Fixed(peak / bareMb, 2) +
                   " x bare window, " + Fixed(peak / figures[kWidgetFloor].peakMb.Median(), 2) +
                   " x same widgets",
               "< 60 MB; <= 1.3 x bare window",
               MetIf(peak < kPeakGoalMb && peak / bareMb <= kPeakRatioGoal));
    report.Row("idle CPU, 10 s (Xvfb)", Fixed(panel.cpuPercent.Median(), 3) + " % of one core",
               "< 1 % of one core", MetIf(panel.cpuPercent.Median() < kIdleGoalPercent));
    ReportMonitorCpu(report, figures[kMonitorText], "text mode", kTextMonitorGoalPercent);
    ReportMonitorCpu(report, figures[kMonitorWindow], "window (Xvfb)", kWindowMonitorGoalPercent);
    // Held to the panel's own goals: a technician runs it beside the panel all evening.
    const double window = figures[kMonitorWindow].peakMb.Median();
    const double text = figures[kMonitorText].peakMb.Median();
    report.Row("bus monitor peak resident memory, against the panel's",
               "window " + Fixed(window) + " MB (" + Fixed(window / peak, 2) + " x the panel, " +
                   Fixed(window / bareMb, 2) + " x bare window), text mode " + Fixed(text) +
                   " MB (" + Fixed(text / peak, 2) + " x the panel); VmHWM after its 10 s",
               "as the panel: < 60 MB; <= 1.3 x bare window",
               MetIf(window < kPeakGoalMb && window / bareMb <= kPeakRatioGoal));
    for (std::size_t subject = 0; subject < subjects.size(); ++subject) {
        const std::string key = std::string("startup.") + subjects[subject].key + '.';
        report.Value(key + "start_ms", figures[subject].startMs.Median());
        report.Value(key + "peak_rss_mb", figures[subject].peakMb.Median());
        report.Value(key + "cpu_percent", figures[subject].cpuPercent.Median());
    }
}

// Starts every subject kRounds times, in rotating order; returns those that came up.
std::vector<Instance> StartAll(const std::vector<Subject>& subjects, std::vector<Figures>& figures,
                               MapWatcher& watcher) {
    std::vector<Instance> instances;
    for (std::size_t round = 0; round < kRounds; ++round) {
        for (std::size_t turn = 0; turn < subjects.size(); ++turn) {
            const std::size_t index = (round + turn) % subjects.size();
            const Subject& subject = subjects[index];
            Instance instance{subject.fed ? std::make_unique<FadeFeed>() : nullptr, nullptr,
                              &figures[index]};
            std::vector<std::string> argv = subject.argv;
            if (instance.feed) {
                argv.push_back(instance.feed->Device());
            }
            watcher.Drain();
            instance.run = std::make_unique<ProgramRun>(argv);
            const Clock::time_point started = instance.run->Started();
            const std::optional<Clock::time_point> shown =
                subject.window ? watcher.WaitForMap(started + kStartTimeout) : started;
            std::cerr << subject.key << ": shown after "
                      << (shown ? Milliseconds(*shown - started).count() : -1.0) << " ms\n";
            if (!shown) {
                ++figures[index].failed;
            } else {
                if (subject.window) {
                    figures[index].startMs.Add(Milliseconds(*shown - started).count());
                }
                instances.push_back(std::move(instance));
            }
            std::this_thread::sleep_for(kGapBetweenStarts);
        }
    }
    return instances;
}

}  // namespace

void MeasureStartup(BenchReport& report) {
    MapWatcher watcher;
    if (!watcher.Connected()) {
        report.Row("start-up, memory, CPU", "no X display (run under xvfb-run)", "-",
                   Verdict::NotRun);
        return;
    }
    const std::vector<Subject> subjects = {
        {"program", {DIMRIX_PROGRAM_PATH}},
        {"same_widgets", {DIMRIX_FLOOR_PATH, "widgets"}},
        {"bare_window", {DIMRIX_FLOOR_PATH}},
        {"monitor_window", {DIMRIX_MONITOR_PATH}, true, true},
        {"monitor_text", {DIMRIX_MONITOR_PATH, "--text"}, false, true},
    };
    std::vector<Figures> figures(subjects.size());
    std::vector<Instance> instances = StartAll(subjects, figures, watcher);
    if (figures[kPanel].startMs.Empty() || figures[kWidgetFloor].startMs.Empty() ||
        figures[kBareFloor].startMs.Empty()) {
        report.Row("start-up (Xvfb)", "a window never showed", "< 250 ms", Verdict::NotRun);
        return;
    }

    std::this_thread::sleep_for(kSettle);
    for (Instance& instance : instances) {
        instance.cpuAtStart = instance.run->CpuSeconds();
    }
    const Clock::time_point from = Clock::now();
    while (Clock::now() - from < kMeasured) {
        for (Instance& instance : instances) {
            if (instance.feed) {
                instance.feed->Feed(from);
            }
        }
        std::this_thread::sleep_for(kFeedStep);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - from).count();
    for (Instance& instance : instances) {
        Figures& figure = *instance.figures;
        if (!instance.run->Running()) {
            ++figure.failed;
            continue;
        }
        const double used = instance.run->CpuSeconds() - instance.cpuAtStart;
        figure.cpuPercent.Add(used / seconds * kPercent);
        figure.peakMb.Add(instance.run->PeakResidentMb());
        if (instance.feed) {
            figure.fedPerSecond.Add(static_cast<double>(instance.feed->Fed()) / seconds);
            figure.unread = std::max(figure.unread, instance.feed->Unread());
        }
    }
    instances.clear();
    Report(report, subjects, figures);
}

}  // namespace dimrix::bench
