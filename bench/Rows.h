#pragma once

/// @file
/// The groups of rows the bench program measures, each into the one report. A group
/// that throws has measured a failure; the program says so in a row of its own.

#include <string>

#include "BenchReport.h"

namespace dimrix::bench {

/// Event to wire: a slider move through the shown window until its frame's last byte
/// is read at the far end. Needs a QApplication.
void MeasureLatency(BenchReport& report);
/// The fade clock, one channel and eight; the eight-channel fade overrunning a line read
/// at 19200 baud (boards behind the screen, backlog, queue); All OFF under that load.
/// Needs a QApplication.
void MeasureFades(BenchReport& report);

/// The programs the start-up rows start, each on its own.
struct StartupPrograms {
    std::string program;  ///< the real program
    std::string floor;    ///< a window with the same widgets and no logic, or a bare one
};
/// Start-up, peak memory and idle cost, watched from outside; on X as well when there
/// is a display.
void MeasureStartup(BenchReport& report, const StartupPrograms& programs);

}  // namespace dimrix::bench
