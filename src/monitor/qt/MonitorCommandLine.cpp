#include "monitor/qt/MonitorCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <array>
#include <cstdio>
#include <string>

#include "monitor/qt/VirtualLine.h"

namespace dimrix::monitor {

namespace {

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int UsageError(const QCommandLineParser& parser, const QString& error) {
    Print(stderr,
          QString("%1: %2\n\n%3").arg(MonitorCommandLine::kProgram, error, parser.helpText()));
    return MonitorCommandLine::kUsageError;
}

}  // namespace

std::variant<MonitorOptions, int> MonitorCommandLine::Parse(const QStringList& arguments) {
    // The parser names the program after the application object's first argument; one
    // that lives only for the parse needs no display, and says "dimrix-monitor" however
    // the program was started.
    std::string name = MonitorCommandLine::kProgram;
    std::array<char*, 1> names{name.data()};
    int count = static_cast<int>(names.size());
    const QCoreApplication naming(count, names.data());
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Shows what the dimmer boards on a serial line hold, as they read it: every frame on "
        "the line, decoded by the boards' own rules. Never writes to the line.");
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
    const QCommandLineOption text(
        "text", "Print one line per frame on standard output instead of showing a window.");
    const QCommandLineOption virtualLine(
        "virtual",
        "Make a virtual line: print its device (/dev/pts/N) on the first line of standard "
        "output, and monitor what a panel writes to it.");
    parser.addOptions({help, version, text, virtualLine});
    parser.addPositionalArgument("DEVICE", "The serial device on the line (/dev/ttyUSB0).",
                                 "[DEVICE]");

    if (!parser.parse(arguments)) {
        return UsageError(parser, parser.errorText());
    }
    if (parser.isSet(help)) {
        Print(stdout, parser.helpText());
        return kDone;
    }
    if (parser.isSet(version)) {
        Print(stdout, QString("%1 %2\n").arg(MonitorCommandLine::kProgram, DIMRIX_VERSION));
        return kDone;
    }
    MonitorOptions options;
    options.text = parser.isSet(text);
    options.virtualLine = parser.isSet(virtualLine);
    const QStringList devices = parser.positionalArguments();
    if (options.virtualLine && !VirtualLine::kAvailable) {
        return UsageError(parser, "--virtual is not available on this system");
    }
    if (options.virtualLine ? !devices.isEmpty() : devices.size() != 1) {
        return UsageError(parser, options.virtualLine ? "--virtual takes no DEVICE"
                                                      : "give one DEVICE to monitor, or --virtual");
    }
    if (!options.virtualLine) {
        options.device = devices.front().toStdString();
    }
    return options;
}

}  // namespace dimrix::monitor
