#include "monitor/qt/MonitorCommandLine.h"

#include <QCommandLineParser>
#include <optional>
#include <string>

#include "monitor/qt/MonitorOptionTexts.h"
#include "monitor/qt/VirtualLine.h"
#include "platform/CommandLineParse.h"

namespace dimrix::monitor {

std::variant<MonitorOptions, int> MonitorCommandLine::Parse(const QStringList& arguments) {
    platform::CommandLineParse parse(
        kProgram, {texts::kDescription, texts::kHelp, texts::kVersionHelp, texts::kVersion});
    QCommandLineParser& parser = parse.Parser();
    const QCommandLineOption text("text", texts::kText);
    const QCommandLineOption virtualLine("virtual", texts::kVirtual);
    parser.addOptions({text, virtualLine});
    parser.addPositionalArgument("DEVICE", texts::kDevice, "[DEVICE]");

    if (const std::optional<int> status = parse.Read(arguments)) {
        return *status;
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
