#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <chrono>

#include "monitor/qt/MonitorCommandLine.h"
#include "monitor/qt/MonitorSession.h"
#include "monitor/window/LevelGrid.h"

namespace dimrix::monitor {

// The monitor's window: the level grid and a status line, repainted from the model on a
// timer at most kRepaintRate times a second however fast frames arrive, and then only
// the rows that changed. The status line, whose counts change with every frame, is
// laid out anew only kStatusRate times a second: figures read at a glance need no more,
// and a full line then costs the window a fraction of what it would. Assistive
// technology hears of changed cells at the same rate. Holds no state of its own.
class MonitorWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRepaintRate = 30;
    static constexpr std::chrono::milliseconds kRepaintInterval{1000 / kRepaintRate};
    static constexpr int kStatusRate = 4;
    static constexpr std::chrono::milliseconds kStatusInterval{1000 / kStatusRate};

    // Opens the line the options name and shows the window until it is closed or the
    // program is signalled; returns the exit status. Needs a QApplication.
    [[nodiscard]] static int Run(const MonitorOptions& options);

    explicit MonitorWindow(MonitorSession& session);

private:
    void Repaint();
    void ShowStatus();

    MonitorSession& m_session;
    LevelGrid* m_grid = nullptr;
    QLabel* m_status = nullptr;
    QTimer* m_repaintTimer = nullptr;
    QTimer* m_statusTimer = nullptr;
};

}  // namespace dimrix::monitor
