#include "MonitorProcess.h"

#include <QProcessEnvironment>

namespace dimrix::testing {

namespace {

constexpr int kDeadlineMilliseconds = 30000;

}  // namespace

MonitorProcess::MonitorProcess(const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(name);
    }
    m_process.setProcessEnvironment(environment);
    m_process.start(DIMRIX_MONITOR, arguments);
}

MonitorProcess::~MonitorProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(kDeadlineMilliseconds);
    }
}

QStringList MonitorProcess::Lines() {
    m_output += m_process.readAllStandardOutput();
    QStringList lines = QString::fromUtf8(m_output).split('\n');
    lines.removeLast();  // after the last line end
    return lines;
}

bool MonitorProcess::Finish() {
    const bool finished = m_process.waitForFinished(kDeadlineMilliseconds);
    m_error = QString::fromUtf8(m_process.readAllStandardError());
    return finished && m_process.exitStatus() == QProcess::NormalExit;
}

}  // namespace dimrix::testing
