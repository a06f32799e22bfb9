#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace dimrix::testing {

// The real dimrix-monitor, started with no display of any kind: text mode, --help and a
// refused start must not need one. Its standard output is read as it comes, its
// standard error once it has ended.
class MonitorProcess {
public:
    explicit MonitorProcess(const QStringList& arguments);
    // Kills the program if it is still running.
    ~MonitorProcess();
    MonitorProcess(const MonitorProcess&) = delete;
    MonitorProcess& operator=(const MonitorProcess&) = delete;

    QProcess& Process() { return m_process; }

    // The lines printed so far on standard output.
    [[nodiscard]] QStringList Lines();
    // Waits for the end; false if it did not come, or came by a crash.
    [[nodiscard]] bool Finish();
    // Standard error, once Finish returned.
    [[nodiscard]] const QString& Errors() const { return m_error; }

private:
    QProcess m_process;
    QByteArray m_output;
    QString m_error;
};

}  // namespace dimrix::testing
