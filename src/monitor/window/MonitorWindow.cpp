#include "monitor/window/MonitorWindow.h"

#include <QApplication>
#include <QIcon>
#include <QVBoxLayout>
#include <memory>

#include "monitor/MonitorText.h"
#include "monitor/window/PortChooser.h"
#include "platform/TerminationRequests.h"

namespace dimrix::monitor {

namespace {

constexpr const char* kTitle = "Dimrix Monitor";
constexpr const char* kIcon = ":/dimrix-monitor.xpm";
constexpr int kStatusLines = 2;
constexpr const char* kStatusName = "Line status";

}  // namespace

int MonitorWindow::Run(const MonitorOptions& options) {
    constexpr MonitorSession::Loss kLoss = MonitorSession::Loss::Reopens;
    std::unique_ptr<MonitorSession> session;
    if (options.NamesLine()) {
        session = MonitorSession::Start(options, kLoss);
        if (!session) {
            return MonitorSession::kLineFailed;
        }
    } else {
        // Declining the question ends the program, as the close button would.
        session = PortChooser::OpenChosen(kLoss);
        if (!session) {
            return MonitorCommandLine::kDone;
        }
    }
    MonitorWindow window(*session);
    const platform::TerminationRequests termination([&window] { window.close(); });
    window.show();
    return QApplication::exec();
}

MonitorWindow::MonitorWindow(MonitorSession& session)
    : m_session(session),
      m_grid(new LevelGrid(session.Monitor(), this)),
      m_status(new QLabel(this)),
      m_repaintTimer(new QTimer(this)),
      m_statusTimer(new QTimer(this)) {
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(kIcon));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Named for what it is; assistive technology reads the figures as its description.
    m_status->setAccessibleName(kStatusName);
    m_status->setFixedHeight(m_status->fontMetrics().lineSpacing() * kStatusLines);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    layout->addWidget(m_status);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_status->setFixedWidth(m_grid->sizeHint().width());
    m_repaintTimer->setInterval(kRepaintInterval);
    connect(m_repaintTimer, &QTimer::timeout, this, &MonitorWindow::Repaint);
    m_repaintTimer->start();
    m_statusTimer->setInterval(kStatusInterval);
    connect(m_statusTimer, &QTimer::timeout, this, &MonitorWindow::ShowStatus);
    // Assistive technology hears of changed cells no more often than the figures change.
    connect(m_statusTimer, &QTimer::timeout, m_grid, &LevelGrid::AnnounceChanges);
    m_statusTimer->start();
    Repaint();
    ShowStatus();
}

void MonitorWindow::Repaint() {
    const LineMonitor::TimePoint now = LineMonitor::Clock::now();
    const LineMonitor::BoardSet changed = m_session.Monitor().TakeChanged(now);
    for (std::size_t board = 0; board < changed.size(); ++board) {
        if (changed[board]) {
            m_grid->UpdateBoard(board);
        }
    }
}

void MonitorWindow::ShowStatus() {
    const LineMonitor::TimePoint now = LineMonitor::Clock::now();
    const QString status = QString::fromStdString(
        MonitorText::Status(m_session.Device(), m_session.Fault(), m_session.Monitor(), now));
    if (status != m_status->text()) {
        m_status->setText(status);
        m_status->setAccessibleDescription(status);
    }
}

}  // namespace dimrix::monitor
