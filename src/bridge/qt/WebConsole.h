#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bridge/ConsoleCommand.h"
#include "bridge/ConsoleSource.h"
#include "bridge/qt/BridgeCommandLine.h"
#include "bridge/qt/BridgeLog.h"
#include "bridge/qt/LineOutput.h"
#include "bridge/qt/StatusReader.h"
#include "bridge/qt/UniverseInput.h"
#include "bridge/web/CommandSink.h"
#include "bridge/web/WebServer.h"

namespace dimrix::bridge {

// The bridge's side of its web console. On the event loop it gathers what the page shows,
// at most 20 times a second and only when something changed, as JSON per line and per
// universe, and publishes it to the server; it reads the commands the server hands it
// (with Qt's JSON reader), has the core check their meaning, and carries them out: the
// console source of each universe, and identify. The server runs on its own thread and
// never touches the lines.
class WebConsole : private web::CommandSink {
public:
    static constexpr std::chrono::milliseconds kPublishPeriod{50};
    // How often the addresses a request's Host may name are looked at again.
    static constexpr std::chrono::seconds kAddressPeriod{5};
    // Over what time rates are counted.
    static constexpr std::chrono::seconds kRatePeriod{1};

    // The lines and universes must outlive the console. Throws std::runtime_error when
    // the password file cannot be used.
    WebConsole(const HttpOptions& http, const std::optional<QHostAddress>& bind,
               const std::vector<std::unique_ptr<LineOutput>>& lines,
               const std::vector<std::unique_ptr<UniverseInput>>& universes, const BridgeLog& log);
    ~WebConsole() override;
    WebConsole(const WebConsole&) = delete;
    WebConsole& operator=(const WebConsole&) = delete;

    // Serves the console and says where; a port that cannot be had is said once, and the
    // bridge goes on without the console.
    void Start();

private:
    void Submit(std::string name, std::string body, Reply reply) override;
    [[nodiscard]] Answer Run(const std::string& name, const std::string& body);
    void Carry(const ConsoleCommand& command);
    [[nodiscard]] ConsoleScope Scope() const;
    [[nodiscard]] std::size_t UniverseIndex(std::uint16_t universe) const;

    void Publish();
    void LookAtAddresses();
    [[nodiscard]] std::vector<QString> Urls() const;

    const std::vector<std::unique_ptr<LineOutput>>& m_lines;
    const std::vector<std::unique_ptr<UniverseInput>>& m_universes;
    const BridgeLog& m_log;
    std::optional<QHostAddress> m_address;
    bool m_open = true;
    // One per universe, in the order of m_universes.
    std::vector<ConsoleSource> m_consoles;
    StatusReader m_status{m_lines, m_universes, m_consoles};
    // What was published last, to tell what changed.
    std::vector<QByteArray> m_lineJson;
    std::vector<QByteArray> m_universeJson;
    std::shared_ptr<const web::WebSnapshot> m_published;
    std::unique_ptr<QTimer> m_publish = std::make_unique<QTimer>();
    std::unique_ptr<QTimer> m_rates = std::make_unique<QTimer>();
    std::unique_ptr<QTimer> m_addresses = std::make_unique<QTimer>();
    // Commands from the server's thread run through it; gone, they are dropped.
    std::unique_ptr<QObject> m_commands = std::make_unique<QObject>();
    std::unique_ptr<web::WebServer> m_server;
};

}  // namespace dimrix::bridge
