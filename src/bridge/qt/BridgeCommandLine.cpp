#include "bridge/qt/BridgeCommandLine.h"

#include <QCommandLineParser>
#include <algorithm>
#include <optional>
#include <string>

#include "bridge/ConsoleCommand.h"
#include "bridge/qt/BridgeOptionTexts.h"
#include "platform/CommandLineParse.h"

namespace dimrix::bridge {

namespace {

constexpr const char* kLossHold = "hold";
constexpr const char* kLossOff = "off";
constexpr const char* kHttpOff = "off";

// --http's value: ADDRESS:PORT, PORT or off; nothing when it is none of them.
std::optional<HttpOptions> ReadHttp(const QString& text) {
    HttpOptions http;
    if (text == kHttpOff) {
        http.enabled = false;
        return http;
    }
    const qsizetype colon = text.lastIndexOf(':');
    bool number = false;
    const uint port = text.mid(colon + 1).toUInt(&number);
    constexpr uint kLastPort = 65535;
    if (!number || port > kLastPort) {
        return std::nullopt;
    }
    http.port = static_cast<std::uint16_t>(port);
    if (colon < 0) {
        return http;
    }
    QString address = text.left(colon);
    const bool bracketed = address.startsWith('[') && address.endsWith(']');
    if (bracketed) {
        address = address.mid(1, address.size() - 2);
    }
    const QHostAddress host(address);
    // An IPv6 address needs its brackets, or its last group would read as the port.
    if (host.isNull() || bracketed != (host.protocol() == QAbstractSocket::IPv6Protocol)) {
        return std::nullopt;
    }
    http.address = host;
    return http;
}

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
    const QCommandLineOption http("http", texts::kHttp, "ADDRESS:PORT|PORT|off");
    const QCommandLineOption httpPasswordFile("http-password-file", texts::kHttpPasswordFile,
                                              "FILE");
    const QCommandLineOption httpPriority("http-priority", texts::kHttpPriority, "N");
    parser.addOptions(
        {loss, sacnOnly, artNetOnly, bind, quiet, http, httpPasswordFile, httpPriority});
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
    if (parser.isSet(http)) {
        const std::optional<HttpOptions> where = ReadHttp(parser.value(http));
        if (!where) {
            return parse.UsageError(QString("--http takes ADDRESS:PORT, PORT or off, not '%1'")
                                        .arg(parser.value(http)));
        }
        options.http = *where;
    }
    options.http.passwordFile = parser.value(httpPasswordFile);
    if (parser.isSet(httpPriority)) {
        bool number = false;
        const int priority = parser.value(httpPriority).toInt(&number);
        if (!number || priority < ConsoleCommand::kMinPriority ||
            priority > ConsoleCommand::kMaxPriority) {
            return parse.UsageError(QString("--http-priority takes 1 to 200, not '%1'")
                                        .arg(parser.value(httpPriority)));
        }
        options.http.priority = priority;
    }
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
