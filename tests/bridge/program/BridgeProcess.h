#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <optional>

namespace dimrix::testing {

// The real dimrix-bridge, listening on the loopback interface only, so nothing the test
// sends or the bridge joins reaches the host's own networks; its web console off unless
// `arguments` give --http.
class BridgeProcess {
public:
    static constexpr int kDeadlineMilliseconds = 20000;

    explicit BridgeProcess(QStringList arguments);
    ~BridgeProcess();
    BridgeProcess(const BridgeProcess&) = delete;
    BridgeProcess& operator=(const BridgeProcess&) = delete;

    // What it printed so far.
    QString Errors();
    bool Prints(const QString& text);
    // The port of the first "web console on http://127.0.0.1:PORT/" line, once printed.
    std::optional<quint16> ConsolePort();
    // Asks it to end as a service manager does; its exit status, or nothing on a crash or
    // when it does not end.
    std::optional<int> Terminate();
    QProcess& Process() { return m_process; }

private:
    QProcess m_process;
    QString m_errors;
};

}  // namespace dimrix::testing
