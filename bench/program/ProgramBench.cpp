// Start-up, footprint and idle cost of the real program, measured from outside: the
// program is started as an operator would start it, with the offscreen platform and on
// a virtual X display, and watched through /proc and the X server.
//
// "Shown" differs by platform. On X it is the server mapping the window titled
// "Dimrix". Offscreen there is no server to ask, so it is the first time the main
// thread waits in its event loop: by then the window has been shown and the events
// that first paint it have been handled.
//
// Every instance is started, timed, and then left running; once all are up they sit
// idle together for the measured ten seconds. An idle instance wakes for its 25 ms fade
// timer and little else, so the ones already waiting do not disturb the next start.
//
// A bare Qt window program, built in the same tree, is started in turn with the program
// and measured alike: the program's start-up and peak memory are also given as a ratio
// to it, which holds across machines where the absolute figures do not.

#include <chrono>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "program/MapWatcher.h"
#include "program/ProgramRun.h"
#include "support/FigureReport.h"
#include "support/Samples.h"

namespace dimrix::bench {
namespace {

using Clock = ProgramRun::Clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kRunsPerPlatform = 5;
constexpr std::chrono::milliseconds kStartTimeout{10000};
// Lets one start finish its after-work (first timers, lazy loading) before the next.
constexpr std::chrono::milliseconds kGapBetweenStarts{300};
constexpr std::chrono::milliseconds kSettleBeforeIdle{1000};
constexpr std::chrono::seconds kIdleWindow{10};
constexpr double kStartGoalMs = 250.0;
constexpr double kRssGoalMb = 60.0;
constexpr double kStartRatioGoal = 1.2;
constexpr double kPeakRatioGoal = 1.3;
constexpr double kIdleGoalPercent = 1.0;
constexpr double kBytesPerKb = 1024.0;
constexpr double kBytesPerMb = 1e6;
constexpr double kPercent = 100.0;

struct Platform {
    const char* key;
    const char* qpa;
    const char* label;
    const char* shownMeans;
    bool onX;
};

constexpr Platform kPlatforms[] = {
    {"offscreen", "offscreen", "offscreen", "start to event loop waiting, window shown", false},
    {"xvfb", "xcb", "Xvfb", "start to window mapped on the X server", true},
};

// What is started: the program, or the bare window it is held against.
struct Subject {
    std::string path;
    std::string windowTitle;
};

struct Instance {
    const Platform* platform;
    bool bare = false;
    std::unique_ptr<ProgramRun> run;
    double startMs = 0.0;
    double cpuAtStart = 0.0;
    double idlePercent = 0.0;
    double peakMb = 0.0;
};

std::optional<double> StartOne(const Subject& subject, bool bare, const Platform& platform,
                               MapWatcher& watcher, std::vector<Instance>& instances) {
    if (platform.onX) {
        watcher.Drain();
    }
    auto run = std::make_unique<ProgramRun>(
        subject.path, std::map<std::string, std::string>{{"QT_QPA_PLATFORM", platform.qpa}});
    const std::optional<Clock::time_point> shown =
        platform.onX ? watcher.WaitForMap(subject.windowTitle, run->Started() + kStartTimeout)
                     : run->WaitForEventLoop(kStartTimeout);
    if (!shown) {
        return std::nullopt;
    }
    const double startMs = Milliseconds(*shown - run->Started()).count();
    instances.push_back({&platform, bare, std::move(run), startMs});
    return startMs;
}

Verdict AtMost(double value, double goal) {
    return value <= goal ? Verdict::Met : Verdict::Missed;
}

// The program against the bare window, started alternately on the same platform.
void ReportRatios(FigureReport& report, const Platform& platform,
                  const std::vector<Instance>& instances) {
    Samples programStart;
    Samples bareStart;
    Samples programPeak;
    Samples barePeak;
    for (const Instance& instance : instances) {
        if (instance.platform == &platform) {
            (instance.bare ? bareStart : programStart).Add(instance.startMs);
            (instance.bare ? barePeak : programPeak).Add(instance.peakMb);
        }
    }
    const std::string suffix = std::string(" vs bare Qt window (") + platform.label + ")";
    const std::string startGoal = "<= " + FigureReport::Fixed(kStartRatioGoal, 1) + " x";
    const std::string peakGoal = "<= " + FigureReport::Fixed(kPeakRatioGoal, 1) + " x";
    if (programStart.Empty() || bareStart.Empty()) {
        report.Row("start-up" + suffix, "one of the two never showed", startGoal,
                   Verdict::NotRun);
        return;
    }
    const double startRatio = programStart.Median() / bareStart.Median();
    const double peakRatio = programPeak.Median() / barePeak.Median();
    report.Row("start-up" + suffix,
               FigureReport::Fixed(startRatio, 2) + " x (" +
                   FigureReport::Fixed(programStart.Median(), 1) + " ms against " +
                   FigureReport::Fixed(bareStart.Median(), 1) + " ms, medians of " +
                   std::to_string(bareStart.Count()) + " alternate starts)",
               startGoal, AtMost(startRatio, kStartRatioGoal));
    report.Row("peak memory" + suffix,
               FigureReport::Fixed(peakRatio, 2) + " x (" +
                   FigureReport::Fixed(programPeak.Median(), 1) + " MB against " +
                   FigureReport::Fixed(barePeak.Median(), 1) + " MB VmHWM)",
               peakGoal, AtMost(peakRatio, kPeakRatioGoal));
    const std::string key = std::string("program.") + platform.key;
    report.Value(key + ".bare_start_ms", bareStart.Median());
    report.Value(key + ".bare_peak_rss_mb", barePeak.Median());
    report.Value(key + ".start_ratio", startRatio);
    report.Value(key + ".peak_rss_ratio", peakRatio);
}

void ReportPlatform(FigureReport& report, const Platform& platform,
                    const std::vector<Instance>& instances, int failedStarts) {
    Samples start;
    Samples idle;
    Samples peak;
    for (const Instance& instance : instances) {
        if (instance.platform == &platform && !instance.bare) {
            start.Add(instance.startMs);
            idle.Add(instance.idlePercent);
            peak.Add(instance.peakMb);
        }
    }
    const std::string prefix = std::string(" (") + platform.label + ")";
    if (start.Empty()) {
        report.Row(std::string("start-up") + prefix, "the window never showed", "< 250 ms",
                   Verdict::NotRun);
        return;
    }
    std::string startFigure =
        FigureReport::Fixed(start.Median(), 1) + " ms (" + FigureReport::Fixed(start.Min(), 1) +
        "-" + FigureReport::Fixed(start.Max(), 1) + " over " + std::to_string(start.Count()) +
        " starts; " + platform.shownMeans + ")";
    if (failedStarts > 0) {
        startFigure += "; " + std::to_string(failedStarts) + " starts never showed";
    }
    report.Row(
        std::string("start-up") + prefix, startFigure, "< 250 ms",
        failedStarts > 0 ? Verdict::Missed : FigureReport::Below(start.Median(), kStartGoalMs));
    report.Row(std::string("peak resident memory") + prefix,
               FigureReport::Fixed(peak.Median(), 1) + " MB (VmHWM after start-up and 10 s idle)",
               "< 60 MB", FigureReport::Below(peak.Median(), kRssGoalMb));
    report.Row(std::string("idle CPU, 10 s") + prefix,
               FigureReport::Fixed(idle.Median(), 3) + " % of one core", "< 1 % of one core",
               FigureReport::Below(idle.Median(), kIdleGoalPercent));
    const std::string key = std::string("program.") + platform.key;
    report.Value(key + ".start_ms", start.Median());
    report.Value(key + ".start_min_ms", start.Min());
    report.Value(key + ".start_max_ms", start.Max());
    report.Value(key + ".peak_rss_mb", peak.Median());
    report.Value(key + ".idle_cpu_percent", idle.Median());
}

}  // namespace
}  // namespace dimrix::bench

int main(int argc, char** argv) {
    using namespace dimrix::bench;
    const Subject program{argc > 1 ? argv[1] : DIMRIX_PROGRAM_PATH, "Dimrix"};
    const Subject bareWindow{argc > 2 ? argv[2] : DIMRIX_BARE_WINDOW_PATH,
                             DIMRIX_BARE_WINDOW_TITLE};
    FigureReport report(std::cout);
    MapWatcher watcher;
    std::vector<Instance> instances;
    std::map<const Platform*, int> failedStarts;
    for (const Platform& platform : kPlatforms) {
        if (platform.onX && !watcher.Connected()) {
            report.Row(std::string("start-up, memory, idle (") + platform.label + ")",
                       "no X display (run under xvfb-run)", "-", Verdict::NotRun);
            continue;
        }
        for (int run = 0; run < kRunsPerPlatform; ++run) {
            const std::optional<double> startMs =
                StartOne(program, false, platform, watcher, instances);
            std::cerr << platform.label << " start " << run << ": "
                      << (startMs ? std::to_string(*startMs) + " ms" : "never shown") << '\n';
            failedStarts[&platform] += startMs ? 0 : 1;
            std::this_thread::sleep_for(kGapBetweenStarts);
            const std::optional<double> bareMs =
                StartOne(bareWindow, true, platform, watcher, instances);
            std::cerr << platform.label << " bare window start " << run << ": "
                      << (bareMs ? std::to_string(*bareMs) + " ms" : "never shown") << '\n';
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
        instance.idlePercent = used / idleSeconds * kPercent;
        instance.peakMb =
            static_cast<double>(instance.run->PeakResidentKb()) * kBytesPerKb / kBytesPerMb;
        const long maxRssKb = instance.run->Stop();
        std::cerr << instance.platform->label << (instance.bare ? " bare window" : "") << ": idle "
                  << instance.idlePercent << " % of a core, VmHWM " << instance.peakMb
                  << " MB, ru_maxrss " << static_cast<double>(maxRssKb) * kBytesPerKb / kBytesPerMb
                  << " MB\n";
    }
    for (const Platform& platform : kPlatforms) {
        if (!platform.onX || watcher.Connected()) {
            ReportPlatform(report, platform, instances, failedStarts[&platform]);
            ReportRatios(report, platform, instances);
        }
    }
    return 0;
}
