#pragma once

/// @file
/// What a bench table says about the machine it ran on.

#include <string>

#include "BenchReport.h"

namespace dimrix::bench {

/// The machine and the build, as the table's first lines give them. Read from Linux's
/// /proc, which a Windows build under Wine reaches through its Z: drive.
class Machine {
public:
    /// Processor, cores, kernel, compiler, build type and Qt, noted in `report`.
    static void Describe(BenchReport& report);
    /// The one-minute load average: other work on the machine shows in every timing, and
    /// the table says how busy it was.
    [[nodiscard]] static std::string LoadAverage();
};

}  // namespace dimrix::bench
