#include "bridge/qt/BridgeCommandLine.h"

#include <QCommandLineParser>
#include <algorithm>
#include <optional>
#include <string>

#include "bridge/qt/BridgeOptionTexts.h"
#include "platform/CommandLineParse.h"

namespace dimrix::bridge {

namespace {

constexpr const char* kLossHold = "hold";
constexpr const char* kLossOff = "off";

}  // namespace

std::variant<BridgeOptions, int> BridgeCommandLine::Parse(const QStringList& arguments) {
    platform::CommandLineParse parse(
        kProgram, {texts::kDescription, texts::kHelp, texts::kVersionHelp, texts::kVersion});
    QCommandLineParser& parser = parse.Parser();
    const QCommandLineOption loss("loss", texts::kLoss, "hold|off", kLossHold);
    const QCommandLineOption sacnOnly("sacn-only", texts::kSacnOnly);
    const QCommandLineOption artNetOnly("artnet-only", texts::kArtNetOnly);
    const QCommandLineOption bind("bind", texts::kBind, "ADDRESS");
    const QCommandLineOption quiet("quiet", texts::kQuiet);
    parser.addOptions({loss, sacnOnly, artNetOnly, bind, quiet});
    parser.addPositionalArgument("LINE", texts::kLine, "LINE...");

    if (const std::optional<int> status = parse.Read(arguments)) {
        return *status;
    }
    BridgeOptions options;
    const QString lossValue = parser.value(loss);
    if (lossValue == kLossOff) {
        options.loss = SourceMerger::LossPolicy::Off;
    } else if (lossValue != kLossHold) {
        return parse.UsageError(QString("--loss takes hold or off, not '%1'").arg(lossValue));
    }
    if (parser.isSet(sacnOnly) && parser.isSet(artNetOnly)) {
        return parse.UsageError("--sacn-only and --artnet-only leave nothing to listen to");
    }
    options.sacn = !parser.isSet(artNetOnly);
    options.artNet = !parser.isSet(sacnOnly);
    if (parser.isSet(bind)) {
        const QHostAddress address(parser.value(bind));
        if (address.protocol() != QAbstractSocket::IPv4Protocol) {
            return parse.UsageError(
                QString("--bind takes an IPv4 address, not '%1'").arg(parser.value(bind)));
        }
        options.bind = address;
    }
    options.quiet = parser.isSet(quiet);
    const QStringList lines = parser.positionalArguments();
    if (lines.isEmpty()) {
        return parse.UsageError("give at least one LINE");
    }
    for (const QString& line : lines) {
        ParsedLine parsed = LinePatch::Parse(line.toStdString());
        if (!parsed.patch) {
            return parse.UsageError(QString::fromStdString(parsed.error));
        }
        // One device, one writer: two would interleave their frames on the wire.
        if (std::ranges::any_of(options.lines, [&parsed](const LinePatch& other) {
                return other.Device() == parsed.patch->Device();
            })) {
            return parse.UsageError(
                QString("%1 is named twice").arg(QString::fromStdString(parsed.patch->Device())));
        }
        options.lines.push_back(std::move(*parsed.patch));
    }
    return options;
}

}  // namespace dimrix::bridge
