#pragma once

#include <QWidget>
#include <cstddef>

#include "monitor/LineMonitor.h"

namespace dimrix::monitor {

// The 31 boards, one row each, and their eight channels as level cells: a bar and the
// number. The board the last frame went to is marked. Paints straight from the model.
class LevelGrid : public QWidget {
    Q_OBJECT

public:
    LevelGrid(const LineMonitor& monitor, QWidget* parent);

    // Repaints one board's row; `board` counts from kFirstAddress.
    void UpdateBoard(std::size_t board);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] QRect RowRect(std::size_t board) const;

    const LineMonitor& m_monitor;
};

}  // namespace dimrix::monitor
