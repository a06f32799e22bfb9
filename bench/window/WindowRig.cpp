#include "window/WindowRig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <stdexcept>

#include "panel/PanelModel.h"
#include "serial/qt/QtPortService.h"

namespace dimrix::bench {

std::unique_ptr<serial::PortService> WindowRig::PortOn(const PseudoTerminal& pty) {
    return std::make_unique<serial::QtPortService>(
        serial::PortPaths{pty.SlavePath(), pty.SlavePath()});
}

namespace {

using Clock = std::chrono::steady_clock;

// Coarse, so that it seldom wakes the event loop it shares with the fade timer.
constexpr std::chrono::milliseconds kWatchdogInterval{250};
// Long enough for the window to be shown and painted once before anything is timed.
constexpr std::chrono::milliseconds kSettleTime{200};

}  // namespace

WindowRig::WindowRig(std::unique_ptr<serial::PortService> port)
    : m_window(std::make_unique<window::Form1>(std::move(port))) {
    m_watchdog.setTimerType(Qt::CoarseTimer);
    m_watchdog.setInterval(kWatchdogInterval);
    QObject::connect(&m_watchdog, &QTimer::timeout, [this] { DismissReport(); });
    m_watchdog.start();
    m_window->show();
    RunFor(kSettleTime);
}

WindowRig::~WindowRig() {
    Close();
}

void WindowRig::UseOffscreenPlatform() {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

void WindowRig::Click(const std::string& name) {
    Find<QAbstractButton>(name)->click();
}

void WindowRig::Connect() {
    Click("Command1");
    if (Find<QAbstractButton>("Command1")->text() != panel::kOnlineCaption) {
        const std::string report = m_reports.empty() ? "no report" : m_reports.back();
        throw std::runtime_error("the port did not come online: " + report);
    }
}

bool WindowRig::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        // Blocks until something is due; the window's 25 ms timer sees to it that the
        // condition is looked at again soon.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void WindowRig::RunFor(std::chrono::milliseconds duration) {
    const Clock::time_point end = Clock::now() + duration;
    RunUntil([end] { return Clock::now() >= end; }, duration);
}

void WindowRig::Close() {
    if (m_window) {
        m_window->close();
        m_window.reset();
    }
}

void WindowRig::DismissReport() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
        return;
    }
    const auto* box = qobject_cast<QMessageBox*>(modal);
    m_reports.push_back(box != nullptr ? box->text().toStdString()
                                       : modal->windowTitle().toStdString());
    modal->close();
}

}  // namespace dimrix::bench
