#include "bridge/qt/WebConsole.h"

#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <algorithm>
#include <stdexcept>
#include <utility>

#include "bridge/qt/BridgeOptionTexts.h"
#include "bridge/qt/StateJson.h"

namespace dimrix::bridge {

namespace {

constexpr unsigned kOk = 200;
constexpr unsigned kBadRequest = 400;

// The addresses this host has now; link-local IPv6 ones need a zone no URL carries.
std::vector<QHostAddress> HostAddresses() {
    std::vector<QHostAddress> addresses;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (!address.isLinkLocal() || address.protocol() == QAbstractSocket::IPv4Protocol) {
            addresses.push_back(address);
        }
    }
    return addresses;
}

QString UrlHost(const QHostAddress& address) {
    return address.protocol() == QAbstractSocket::IPv6Protocol ? '[' + address.toString() + ']'
                                                               : address.toString();
}

// A command's JSON members as the core reads them.
std::vector<CommandField> Fields(const QJsonObject& object) {
    std::vector<CommandField> fields;
    for (auto member = object.begin(); member != object.end(); ++member) {
        CommandField field{member.key().toStdString(), CommandField::Other{}};
        if (member->isDouble()) {
            field.value = member->toDouble();
        } else if (member->isArray()) {
            const QJsonArray array = member->toArray();
            if (std::all_of(array.begin(), array.end(),
                            [](const QJsonValue& each) { return each.isDouble(); })) {
                std::vector<double> numbers;
                for (const QJsonValue& each : array) {
                    numbers.push_back(each.toDouble());
                }
                field.value = std::move(numbers);
            }
        }
        fields.push_back(std::move(field));
    }
    return fields;
}

}  // namespace

WebConsole::WebConsole(const HttpOptions& http, const std::optional<QHostAddress>& bind,
                       const std::vector<std::unique_ptr<LineOutput>>& lines,
                       const std::vector<std::unique_ptr<UniverseInput>>& universes,
                       const BridgeLog& log)
    : m_lines(lines),
      m_universes(universes),
      m_log(log),
      m_address(http.address ? http.address : bind),
      m_consoles(universes.size(), ConsoleSource(http.priority)) {
    web::WebServerSettings settings;
    settings.address = m_address ? m_address->toString().toStdString() : std::string();
    settings.port = http.port;
    settings.hostName = QHostInfo::localHostName().toStdString();
    if (!http.passwordFile.isEmpty()) {
        settings.password =
            web::HttpPassword::FromFile(std::filesystem::path(http.passwordFile.toStdString()));
    }
    m_open = !settings.password;
    m_server = std::make_unique<web::WebServer>(std::move(settings),
                                                static_cast<web::CommandSink&>(*this));

    m_publish->setInterval(kPublishPeriod);
    QObject::connect(m_publish.get(), &QTimer::timeout, m_publish.get(), [this] { Publish(); });
    m_rates->setInterval(kRatePeriod);
    QObject::connect(m_rates.get(), &QTimer::timeout, m_rates.get(),
                     [this] { m_status.CountRates(); });
    m_addresses->setInterval(kAddressPeriod);
    QObject::connect(m_addresses.get(), &QTimer::timeout, m_addresses.get(),
                     [this] { LookAtAddresses(); });
}

WebConsole::~WebConsole() {
    // The server's thread first, so that the commands dropped next have no one to answer.
    m_server->Stop();
    m_commands.reset();
    m_server.reset();
}

void WebConsole::Start() {
    LookAtAddresses();
    Publish();
    try {
        m_server->Start();
    } catch (const std::runtime_error& error) {
        m_log.Status(std::string(error.what()) + "; driving the lines without it");
        return;
    }
    for (const QString& url : Urls()) {
        m_log.Status("web console on " + url.toStdString());
    }
    if (m_open) {
        m_log.Status(
            "web console without a password (--http-password-file): anyone on the network "
            "can drive the lights");
    }
    m_publish->start();
    m_rates->start();
    m_addresses->start();
}

std::vector<QString> WebConsole::Urls() const {
    const QString port = QString::number(m_server->Port());
    std::vector<QString> urls;
    if (m_address) {
        urls.push_back("http://" + UrlHost(*m_address) + ':' + port + '/');
        return urls;
    }
    for (const QHostAddress& address : HostAddresses()) {
        urls.push_back("http://" + UrlHost(address) + ':' + port + '/');
    }
    return urls;
}

void WebConsole::LookAtAddresses() {
    std::vector<std::string> addresses;
    for (const QHostAddress& address : HostAddresses()) {
        addresses.push_back(address.toString().toStdString());
    }
    m_server->SetAddresses(addresses);
}

void WebConsole::Submit(std::string name, std::string body, Reply reply) {
    QMetaObject::invokeMethod(
        m_commands.get(),
        [this, name = std::move(name), body = std::move(body), reply = std::move(reply)] {
            reply(Run(name, body));
        },
        Qt::QueuedConnection);
}

web::CommandSink::Answer WebConsole::Run(const std::string& name, const std::string& body) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(body), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return {kBadRequest, StateJson::Error("the body is not a JSON object").toStdString()};
    }
    const std::vector<CommandField> fields = Fields(document.object());
    const ReadCommand read = ConsoleCommand::Read(name, fields, Scope());
    if (!read.command) {
        return {kBadRequest, StateJson::Error(QString::fromStdString(read.error)).toStdString()};
    }
    Carry(*read.command);
    return {kOk, StateJson::Ok().toStdString()};
}

ConsoleScope WebConsole::Scope() const {
    ConsoleScope scope;
    for (const auto& line : m_lines) {
        scope.lineUniverses.push_back(line->Patch().Universe());
    }
    for (std::size_t i = 0; i < m_universes.size(); ++i) {
        scope.universes.push_back({m_universes[i]->Universe(), m_consoles[i].Taken()});
    }
    return scope;
}

std::size_t WebConsole::UniverseIndex(std::uint16_t universe) const {
    const auto found = std::ranges::find_if(
        m_universes, [universe](const auto& input) { return input->Universe() == universe; });
    return static_cast<std::size_t>(found - m_universes.begin());
}

void WebConsole::Carry(const ConsoleCommand& command) {
    if (command.kind == ConsoleCommand::Kind::Identify) {
        m_lines[*command.line]->Identify(command.board);
        return;
    }
    const std::size_t index = UniverseIndex(command.universe);
    const LinePatch* patch = command.line ? &m_lines[*command.line]->Patch() : nullptr;
    ConsoleSource& console = m_consoles[index];
    UniverseInput& universe = *m_universes[index];
    if (!console.Apply(command, patch)) {
        return;
    }
    if (command.kind == ConsoleCommand::Kind::Release) {
        universe.ReleaseConsole();
    } else {
        universe.DriveConsole(console.Levels(), console.Priorities());
    }
}

void WebConsole::Publish() {
    auto snapshot = std::make_shared<web::WebSnapshot>();
    const std::uint64_t revision = m_published ? m_published->revision + 1 : 1;
    bool changed = !m_published;
    const auto add = [&](std::vector<web::WebSnapshot::Part>& parts, std::size_t index,
                         std::vector<QByteArray>& last, QByteArray json,
                         const std::vector<web::WebSnapshot::Part>* before) {
        const bool differs = index >= last.size() || last[index] != json;
        if (index >= last.size()) {
            last.push_back(json);
        } else if (differs) {
            last[index] = json;
        }
        changed = changed || differs;
        parts.push_back({differs || before == nullptr ? revision : (*before)[index].revision,
                         json.toStdString()});
    };
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        add(snapshot->lines, i, m_lineJson, StateJson::Line(m_status.Line(i)),
            m_published ? &m_published->lines : nullptr);
    }
    for (std::size_t i = 0; i < m_universes.size(); ++i) {
        add(snapshot->universes, i, m_universeJson, StateJson::Universe(m_status.Universe(i)),
            m_published ? &m_published->universes : nullptr);
    }
    if (!changed) {
        return;
    }
    snapshot->revision = revision;
    snapshot->head = StateJson::Head(texts::kVersion, m_open).toStdString();
    m_published = snapshot;
    m_server->Publish(std::move(snapshot));
}

}  // namespace dimrix::bridge
