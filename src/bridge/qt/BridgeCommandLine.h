#pragma once

#include <QHostAddress>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "bridge/LinePatch.h"
#include "bridge/SourceMerger.h"
#include "platform/CommandLineParse.h"

namespace dimrix::bridge {

// Where and how the web console is served.
struct HttpOptions {
    static constexpr std::uint16_t kDefaultPort = 9230;
    static constexpr int kDefaultPriority = 100;

    bool enabled = true;
    // Every interface (or --bind's) when not given.
    std::optional<QHostAddress> address;
    std::uint16_t port = kDefaultPort;
    // No password when empty.
    QString passwordFile;
    int priority = kDefaultPriority;
};

// What the bridge was asked to do.
struct BridgeOptions {
    // In the order given; at least one.
    std::vector<LinePatch> lines;
    SourceMerger::LossPolicy loss = SourceMerger::LossPolicy::Hold;
    bool sacn = true;
    bool artNet = true;
    // The interface to listen on; every one when empty.
    std::optional<QHostAddress> bind;
    // Source events left out of what is printed.
    bool quiet = false;
    HttpOptions http;
};

// The bridge's command line, read with QCommandLineParser before any application object
// exists.
class BridgeCommandLine {
public:
    // Exit statuses for what ends the program before it starts.
    static constexpr int kDone = platform::CommandLineParse::kDone;
    static constexpr int kUsageError = platform::CommandLineParse::kUsageError;
    // The name the bridge gives itself in what it prints, however it was started.
    static constexpr char kProgram[] = "dimrix-bridge";

    // The options, or the exit status once --help or --version was answered on standard
    // output, or the error and usage told on standard error.
    [[nodiscard]] static std::variant<BridgeOptions, int> Parse(const QStringList& arguments);
};

}  // namespace dimrix::bridge
