#pragma once

/// @file
/// The groups of rows the bench program measures into the one report. A group that
/// throws has measured a failure; the program says so in a row of its own.

#include "BenchReport.h"

namespace dimrix::bench {

/// Event to wire: a slider move through the shown window until its frame's last byte
/// is read at the far end. Needs a QApplication.
void MeasureLatency(BenchReport& report);
/// The fade clock, one channel and eight; the eight-channel fade overrunning a line read
/// at 19200 baud (boards behind the screen, backlog, queue); All OFF under that load.
/// Needs a QApplication.
void MeasureFades(BenchReport& report);
/// Start-up, peak memory and CPU of the panel and the bus monitor, watched from outside
/// on the X display.
void MeasureStartup(BenchReport& report);
/// The bridge: a console's change to the wire, full churn at console rate, blackout,
/// CPU, and memory under a flood of malformed packets; fed over the loopback interface.
void MeasureBridge(BenchReport& report);
/// Part of MeasureBridge: full churn at console rate on one line and on four, and the
/// bridge's CPU on one against a bare program writing a frame a frame time.
void MeasureBridgeChurn(BenchReport& report);
/// The bridge's web console: sACN latency beside 16 live pages, a fader move to the wire,
/// CPU with 16 pages watching, a page opened to its state, memory over 1,000 pages and a
/// minute of malformed requests; on 127.0.0.1 only.
void MeasureConsole(BenchReport& report);

}  // namespace dimrix::bench
