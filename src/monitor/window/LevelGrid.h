#pragma once

#include <QString>
#include <QWidget>
#include <cstddef>

#include "monitor/LineMonitor.h"

namespace dimrix::monitor {

// The 31 boards, one row each, and their eight channels as level cells: a bar and the
// number. The board the last frame went to is marked. Paints straight from the model;
// assistive technology reads it as a table (LevelGridAccessible).
class LevelGrid : public QWidget {
    Q_OBJECT

public:
    LevelGrid(const LineMonitor& monitor, QWidget* parent);

    // Repaints one board's row; `board` counts from kFirstAddress.
    void UpdateBoard(std::size_t board);
    // Tells assistive technology which cells read differently since the last call.
    void AnnounceChanges();

    [[nodiscard]] const LineMonitor& Monitor() const { return m_monitor; }
    // Where one board's channel is painted.
    [[nodiscard]] QRect CellRect(std::size_t board, int channel) const;
    // "PWM3": the channels titled as the panel titles them, so a technician reads the
    // same names.
    [[nodiscard]] static QString ChannelTitle(int channel);
    // "Board 130": a row, counted from kFirstAddress, as assistive technology reads it.
    [[nodiscard]] static QString BoardTitle(int board);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] QRect RowRect(std::size_t board) const;

    const LineMonitor& m_monitor;
};

}  // namespace dimrix::monitor
