#include "WindowRig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <algorithm>
#include <stdexcept>

#include "BoardTrail.h"
#include "panel/PanelModel.h"
#include "protocol/Frames.h"

namespace dimrix::bench {

namespace {

using Clock = std::chrono::steady_clock;

// Coarse, so that it seldom wakes the event loop it shares with the fade timer.
constexpr std::chrono::milliseconds kWatchdogInterval{250};
// Long enough for the window to be shown and painted once before anything is timed.
constexpr std::chrono::milliseconds kSettleTime{200};
// The panel has stopped sending once nothing was handed over for this long (four ticks).
constexpr std::chrono::milliseconds kQuiet{100};
constexpr std::chrono::seconds kClearTimeout{30};

}  // namespace

WindowRig::WindowRig(double bytesPerSecond)
    : m_reader(bytesPerSecond),
      m_window(std::make_unique<window::Form1>(
          std::make_unique<TimedPort>(m_reader.SlavePath(), m_writes))) {
    m_watchdog.setTimerType(Qt::CoarseTimer);
    m_watchdog.setInterval(kWatchdogInterval);
    QObject::connect(&m_watchdog, &QTimer::timeout, [this] { DismissReport(); });
    m_watchdog.start();
    m_window->show();
    const Clock::time_point settled = Clock::now() + kSettleTime;
    RunUntil([settled] { return Clock::now() >= settled; }, kSettleTime);
}

WindowRig::~WindowRig() {
    m_window.reset();
    m_reader.Stop();
}

void WindowRig::Connect(std::function<void()> onArrival) {
    Click("Command1");
    if (qobject_cast<QAbstractButton*>(Find("Command1"))->text() != panel::kOnlineCaption) {
        throw std::runtime_error("the port did not come online: " +
                                 (m_reports.empty() ? "no report" : m_reports.back()));
    }
    m_reader.Start(std::move(onArrival));
}

QWidget* WindowRig::Find(const std::string& name) const {
    auto* control = m_window->findChild<QWidget*>(QString::fromStdString(name));
    if (control == nullptr) {
        throw std::logic_error("the window has no control " + name);
    }
    return control;
}

void WindowRig::Click(const std::string& name) const {
    qobject_cast<QAbstractButton*>(Find(name))->click();
}

void WindowRig::StartFade(int channels) const {
    for (int channel = 0; channel < channels; ++channel) {
        Click("Command9_" + std::to_string(channel));
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

void WindowRig::RunUntilLineClear() {
    const auto clear = [this] {
        const auto read = m_reader.Bytes();
        const auto& written = m_writes.bytes;
        constexpr std::size_t kFrame = protocol::kAddressFrameSize;
        return written.size() >= kFrame && read.size() >= kFrame &&
               Clock::now() - m_writes.times.back() >= kQuiet &&
               std::equal(written.end() - kFrame, written.end(), read.end() - kFrame);
    };
    if (!RunUntil(clear, kClearTimeout)) {
        throw std::runtime_error("the panel's last frame never reached the far end (" +
                                 std::to_string(m_reader.Count()) + " bytes read, " +
                                 std::to_string(m_writes.bytes.size()) + " written)");
    }
}

void WindowRig::Finish() {
    m_window->close();
    m_reader.Stop();
    if (!m_reports.empty()) {
        throw std::runtime_error("the panel reported a failure: " + m_reports.front());
    }
    if (const std::string faults = BoardTrail(m_writes, m_reader).Faults(); !faults.empty()) {
        throw std::runtime_error("the boards read wrong: " + faults);
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
