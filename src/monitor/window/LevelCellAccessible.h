#pragma once

#include <QAccessibleInterface>
#include <QAccessibleTableCellInterface>
#include <QPointer>

#include "monitor/window/LevelGrid.h"

namespace dimrix::monitor {

// One cell of the level grid as assistive technology reads it: a board's channel and
// its level. The grid paints its cells, so there is no widget behind one; it stays valid
// as long as the grid.
class LevelCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    // `row` counts boards from kFirstAddress, `column` channels.
    LevelCellAccessible(LevelGrid* grid, int row, int column);

    // "Board 130, PWM3: 40%", and ", last frame" while the board the last frame went to
    // is marked.
    [[nodiscard]] static QString Name(const LineMonitor& monitor, int row, int column);

    [[nodiscard]] bool isValid() const override;
    [[nodiscard]] QObject* object() const override;
    [[nodiscard]] QWindow* window() const override;
    [[nodiscard]] QAccessibleInterface* parent() const override;
    [[nodiscard]] QAccessibleInterface* child(int index) const override;
    [[nodiscard]] int childCount() const override;
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override;
    [[nodiscard]] QAccessibleInterface* childAt(int x, int y) const override;
    [[nodiscard]] QString text(QAccessible::Text text) const override;
    void setText(QAccessible::Text text, const QString& value) override;
    [[nodiscard]] QRect rect() const override;
    [[nodiscard]] QAccessible::Role role() const override;
    [[nodiscard]] QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    [[nodiscard]] bool isSelected() const override;
    [[nodiscard]] QList<QAccessibleInterface*> columnHeaderCells() const override;
    [[nodiscard]] QList<QAccessibleInterface*> rowHeaderCells() const override;
    [[nodiscard]] int columnIndex() const override;
    [[nodiscard]] int rowIndex() const override;
    [[nodiscard]] int columnExtent() const override;
    [[nodiscard]] int rowExtent() const override;
    [[nodiscard]] QAccessibleInterface* table() const override;

private:
    QPointer<LevelGrid> m_grid;
    int m_row = 0;
    int m_column = 0;
};

}  // namespace dimrix::monitor
