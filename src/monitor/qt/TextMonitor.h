#pragma once

#include <chrono>
#include <span>
#include <string>

#include "monitor/MonitorListener.h"
#include "monitor/qt/MonitorCommandLine.h"

namespace dimrix::monitor {

// Text mode, for scripts: one line per frame on standard output, the lines of each read
// written and flushed together, so a script sees every frame as soon as it is read, at
// one write a read rather than one a frame (see MonitorText for the format). SIGINT and SIGTERM end
// it with status 0, a lost device with status 1; either way a one-line summary goes to standard
// error.
class TextMonitor : private MonitorListener {
public:
    // Runs until one of the above. Needs a QCoreApplication; no display.
    [[nodiscard]] static int Run(const MonitorOptions& options);

private:
    TextMonitor() = default;

    void OnFrame(std::chrono::nanoseconds sinceStart, const protocol::DecodedFrame& frame) override;
    void OnMalformed(std::chrono::nanoseconds sinceStart, std::span<const protocol::Byte> bytes,
                     protocol::Malformation why) override;
    void OnReadDone() override;
    void Print(const std::string& line);

    std::string m_pending;
};

}  // namespace dimrix::monitor
