#include "monitor/qt/MonitorCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <array>
#include <cstdio>
#include <string>

#include "monitor/qt/MonitorOptionTexts.h"
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
    parser.setApplicationDescription(texts::kDescription);
    const QCommandLineOption help({"h", "help"}, texts::kHelp);
    const QCommandLineOption version({"v", "version"}, texts::kVersionHelp);
    const QCommandLineOption text("text", texts::kText);
    const QCommandLineOption virtualLine("virtual", texts::kVirtual);
    parser.addOptions({help, version, text, virtualLine});
    parser.addPositionalArgument("DEVICE", texts::kDevice, "[DEVICE]");

    if (!parser.parse(arguments)) {
        return UsageError(parser, parser.errorText());
    }
    if (parser.isSet(help)) {
        Print(stdout, parser.helpText());
        return kDone;
    }
    if (parser.isSet(version)) {
        Print(stdout, QString("%1 %2\n").arg(MonitorCommandLine::kProgram, texts::kVersion));
        return kDone;
    }
    MonitorOptions options;
    options.text = parser.isSet(text);
    options.virtualLine = parser.isSet(virtualLine);
    const QStringList devices = parser.positionalArguments();
    if (options.virtualLine && !VirtualLine::kAvailable) {
        // One line: nothing in the usage would help.
        Print(stderr, QString("%1: --virtual is not available on %2\n")
                          .arg(MonitorCommandLine::kProgram, VirtualLine::kUnavailableOn));
        return kUsageError;
    }
    if (options.virtualLine && !devices.isEmpty()) {
        return UsageError(parser, "--virtual takes no DEVICE");
    }
    if (devices.size() > 1) {
        return UsageError(parser, "give one DEVICE to monitor");
    }
    // Text mode has nobody to ask which line; a window does.
    if (options.text && !options.virtualLine && devices.isEmpty()) {
        return UsageError(parser, "--text needs a DEVICE to monitor, or --virtual");
    }
    if (!devices.isEmpty()) {
        options.device = devices.front().toStdString();
    }
    return options;
}

}  // namespace dimrix::monitor
