#include "BridgeProcess.h"

#include <QRegularExpression>
#include <QtTest/QTest>
#include <csignal>

namespace dimrix::testing {

BridgeProcess::BridgeProcess(QStringList arguments) {
    // The last --http given counts.
    arguments = QStringList{"--bind", "127.0.0.1", "--http", "off"} + arguments;
    m_process.start(DIMRIX_BRIDGE, arguments);
}

BridgeProcess::~BridgeProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(kDeadlineMilliseconds);
    }
}

QString BridgeProcess::Errors() {
    m_errors += QString::fromUtf8(m_process.readAllStandardError());
    return m_errors;
}

bool BridgeProcess::Prints(const QString& text) {
    return QTest::qWaitFor([&] { return Errors().contains(text); }, kDeadlineMilliseconds);
}

std::optional<quint16> BridgeProcess::ConsolePort() {
    if (!Prints("web console on http://127.0.0.1:")) {
        return std::nullopt;
    }
    const QRegularExpressionMatch match =
        QRegularExpression("web console on http://127\\.0\\.0\\.1:(\\d+)/").match(Errors());
    return match.hasMatch() ? std::optional(static_cast<quint16>(match.captured(1).toUInt()))
                            : std::nullopt;
}

std::optional<int> BridgeProcess::Terminate() {
    ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(kDeadlineMilliseconds) ||
        m_process.exitStatus() != QProcess::NormalExit) {
        return std::nullopt;
    }
    Errors();
    return m_process.exitCode();
}

}  // namespace dimrix::testing
