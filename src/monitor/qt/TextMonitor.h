#pragma once

#include <chrono>
#include <span>
#include <string>

#include "monitor/MonitorListener.h"
#include "monitor/qt/MonitorCommandLine.h"

namespace dimrix::monitor {

// Text mode, for scripts: one line per frame on standard output, each flushed as it is
// printed (see MonitorText for the format). SIGINT and SIGTERM end it with status 0, a
// lost device with status 1; either way a one-line summary goes to standard error.
class TextMonitor : private MonitorListener {
public:
    // Runs until one of the above. Needs a QCoreApplication; no display.
    [[nodiscard]] static int Run(const MonitorOptions& options);

private:
    TextMonitor() = default;

    void OnFrame(std::chrono::nanoseconds sinceStart, const protocol::DecodedFrame& frame) override;
    void OnMalformed(std::chrono::nanoseconds sinceStart, std::span<const protocol::Byte> bytes,
                     protocol::Malformation why) override;
    static void Print(const std::string& line);
};

}  // namespace dimrix::monitor
