#pragma once

#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace dimrix::bench {

/// The console report, plus the median over repetitions of every benchmark kept aside,
/// for the table. The console part goes wherever SetOutputStream points.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    /// Median real time per iteration and the median of each user counter.
    struct Median {
        double nanoseconds = 0.0;
        std::map<std::string, double> counters;
    };

    // Plain columns: the table ends up in a log file, where colour codes are noise.
    MedianReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& reports) override;

    /// The median of the benchmark registered under this function name, or null if it
    /// did not run (filtered out, or failed).
    [[nodiscard]] const Median* Find(const std::string& functionName) const;

private:
    std::map<std::string, Median> m_medians;
};

}  // namespace dimrix::bench
