#include "monitor/qt/MonitorCommandLine.h"

#include <QCommandLineParser>
#include <string>

#include "monitor/qt/MonitorOptionTexts.h"
#include "monitor/qt/VirtualLine.h"
#include "platform/CommandLineParse.h"

namespace dimrix::monitor {

std::variant<MonitorOptions, int> MonitorCommandLine::Parse(const QStringList& arguments) {
    platform::CommandLineParse parse(kProgram);
    QCommandLineParser& parser = parse.Parser();
    parser.setApplicationDescription(texts::kDescription);
    const QCommandLineOption help({"h", "help"}, texts::kHelp);
    const QCommandLineOption version({"v", "version"}, texts::kVersionHelp);
    const QCommandLineOption text("text", texts::kText);
    const QCommandLineOption virtualLine("virtual", texts::kVirtual);
    parser.addOptions({help, version, text, virtualLine});
    parser.addPositionalArgument("DEVICE", texts::kDevice, "[DEVICE]");

    if (!parser.parse(arguments)) {
        return parse.UsageError(parser.errorText());
    }
    if (parser.isSet(help)) {
        platform::CommandLineParse::Print(stdout, parser.helpText());
        return kDone;
    }
    if (parser.isSet(version)) {
        platform::CommandLineParse::Print(stdout,
                                          QString("%1 %2\n").arg(kProgram, texts::kVersion));
        return kDone;
    }
    MonitorOptions options;
    options.text = parser.isSet(text);
    options.virtualLine = parser.isSet(virtualLine);
    const QStringList devices = parser.positionalArguments();
    if (options.virtualLine && !VirtualLine::kAvailable) {
        // One line: nothing in the usage would help.
        platform::CommandLineParse::Print(stderr, QString("%1: --virtual is not available on %2\n")
                                                      .arg(kProgram, VirtualLine::kUnavailableOn));
        return kUsageError;
    }
    if (options.virtualLine && !devices.isEmpty()) {
        return parse.UsageError("--virtual takes no DEVICE");
    }
    if (devices.size() > 1) {
        return parse.UsageError("give one DEVICE to monitor");
    }
    // Text mode has nobody to ask which line; a window does.
    if (options.text && !options.virtualLine && devices.isEmpty()) {
        return parse.UsageError("--text needs a DEVICE to monitor, or --virtual");
    }
    if (!devices.isEmpty()) {
        options.device = devices.front().toStdString();
    }
    return options;
}

}  // namespace dimrix::monitor
