#pragma once

#include <QStringList>
#include <string>
#include <variant>

#include "platform/CommandLineParse.h"

namespace dimrix::monitor {

// What the monitor was asked to do.
struct MonitorOptions {
    // One line per frame on standard output instead of a window.
    bool text = false;
    // Make a virtual line instead of opening a device.
    bool virtualLine = false;
    // The device to open, unless virtualLine. Empty without either: the window then
    // offers the lines present to choose from.
    std::string device;

    // Whether the options name the line to monitor.
    [[nodiscard]] bool NamesLine() const { return virtualLine || !device.empty(); }
};

// The monitor's command line, read with QCommandLineParser before any application object
// exists, so that --help, --version and a wrong option never need a display.
class MonitorCommandLine {
public:
    // Exit statuses for what ends the program before it starts.
    static constexpr int kDone = platform::CommandLineParse::kDone;
    static constexpr int kUsageError = platform::CommandLineParse::kUsageError;
    // The name the monitor gives itself in what it prints, however it was started.
    static constexpr char kProgram[] = "dimrix-monitor";

    // The options, or the exit status once --help or --version was answered on standard
    // output, or the error and usage told on standard error.
    [[nodiscard]] static std::variant<MonitorOptions, int> Parse(const QStringList& arguments);
};

}  // namespace dimrix::monitor
