#include "handlers/MedianReporter.h"

namespace dimrix::bench {

namespace {
constexpr const char* kMedianAggregate = "median";
constexpr double kNanosecondsPerSecond = 1e9;
}  // namespace

void MedianReporter::ReportRuns(const std::vector<Run>& reports) {
    ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) {
        if (run.run_type != Run::RT_Aggregate || run.aggregate_name != kMedianAggregate ||
            run.error_occurred) {
            continue;
        }
        Median median;
        median.nanoseconds = run.GetAdjustedRealTime() /
                             benchmark::GetTimeUnitMultiplier(run.time_unit) *
                             kNanosecondsPerSecond;
        for (const auto& [name, counter] : run.counters) {
            median.counters[name] = counter.value;
        }
        m_medians[run.run_name.function_name] = median;
    }
}

const MedianReporter::Median* MedianReporter::Find(const std::string& functionName) const {
    const auto found = m_medians.find(functionName);
    return found == m_medians.end() ? nullptr : &found->second;
}

}  // namespace dimrix::bench
