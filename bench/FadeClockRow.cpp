#include "FadeClockRow.h"

#include <chrono>
#include <cmath>

#include "protocol/Protocol.h"

namespace dimrix::bench {

namespace {

using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kFadeSteps = protocol::kMaxLevel - protocol::kMinLevel;
constexpr double kTickMs = Milliseconds(std::chrono::milliseconds(25)).count();
constexpr double kIdealFadeMs = kFadeSteps * kTickMs;
constexpr double kClockToleranceMs = 2.0;
// "Within" includes the bound itself, to the microsecond.
constexpr double kRounding = 0.001;
constexpr double kFadeTolerance = 0.01;

}  // namespace

void FadeClockRow::Report(BenchReport& report, const std::string& row, const std::string& key,
                          const Samples& intervals, const Samples& clickTo100Ms) {
    Samples deviations;
    for (const double interval : intervals.Values()) {
        deviations.Add(std::abs(interval - kTickMs));
    }
    const double within = deviations.P99();
    const double fadeMs = clickTo100Ms.Median();
    const double offPercent = (fadeMs - kIdealFadeMs) / kIdealFadeMs * 100.0;
    report.Row(row,
               intervals.Spread(2) + ", 99 % within 25 +- " + Fixed(within, 2) + " ms (" +
                   std::to_string(intervals.Count()) + " intervals); " + Fixed(fadeMs) + " ms (" +
                   (offPercent >= 0 ? "+" : "") + Fixed(offPercent, 2) + " %)",
               "p99 within 25 +- 2 ms; 2500 ms +- 1 %",
               MetIf(within <= kClockToleranceMs + kRounding &&
                     std::abs(fadeMs - kIdealFadeMs) <= kIdealFadeMs * kFadeTolerance));
    report.Value(key + ".interval_p99_deviation_ms", within);
    report.Value(key + ".click_to_100_ms", fadeMs);
}

}  // namespace dimrix::bench
