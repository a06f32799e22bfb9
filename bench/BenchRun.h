#pragma once

/// @file
/// One run of a bench program, from the machine's description to the printed table.

#include <chrono>
#include <iosfwd>
#include <string>

#include "BenchReport.h"

namespace dimrix::bench {

/// Opens the report with the machine and the load the run starts under, measures group
/// after group, and closes it with how long the run took and the load after: other work
/// on the machine shows in every timing, so the table says how busy it was throughout.
class BenchRun {
public:
    BenchRun();

    /// Runs `measure` into the report. A group that throws becomes one row named
    /// `group`, not run, and the rest of the run goes on.
    void Measure(const std::string& group, void (*measure)(BenchReport&));

    /// The table on `table`, and the same figures as JSON into the file `jsonPath`;
    /// false, said on standard error, when that file could not be written.
    [[nodiscard]] bool Finish(std::ostream& table, const std::string& jsonPath);

private:
    BenchReport m_report;
    std::chrono::steady_clock::time_point m_started{std::chrono::steady_clock::now()};
};

}  // namespace dimrix::bench
