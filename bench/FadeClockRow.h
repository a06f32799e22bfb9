#pragma once

#include <string>

#include "BenchReport.h"
#include "Samples.h"

namespace dimrix::bench {

/// The fade clock's row, the same goal for every build it is measured on: each tick
/// interval within 25 +- 2 ms at the 99th percentile, and a click to 100 (100 ticks)
/// within 1 % of 2500 ms.
class FadeClockRow {
public:
    /// @param key  JSON prefix for the row's two figures ("fade.1ch")
    static void Report(BenchReport& report, const std::string& row, const std::string& key,
                       const Samples& intervals, const Samples& clickTo100Ms);
};

}  // namespace dimrix::bench
