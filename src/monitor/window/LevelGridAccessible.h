#pragma once

#include <QAccessibleTableInterface>
#include <QAccessibleWidget>
#include <vector>

#include "monitor/window/LevelGrid.h"

namespace dimrix::monitor {

// The level grid as assistive technology reads it: a table of 31 rows, the boards from
// the first address on, by 8 columns, the channels, whose cells name their board,
// channel and level (LevelCellAccessible). Nothing in it can be selected or changed.
class LevelGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit LevelGridAccessible(LevelGrid* grid);
    ~LevelGridAccessible() override;
    LevelGridAccessible(const LevelGridAccessible&) = delete;
    LevelGridAccessible& operator=(const LevelGridAccessible&) = delete;

    // Makes Qt ask this class for every LevelGrid; once is enough for the program.
    static void Install();

    // Sends a name change for each cell a tool has asked for whose name is not the one
    // last announced.
    void AnnounceChanges();

    [[nodiscard]] QAccessible::Role role() const override;
    [[nodiscard]] int childCount() const override;
    [[nodiscard]] QAccessibleInterface* child(int index) const override;
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    [[nodiscard]] QAccessibleInterface* caption() const override;
    [[nodiscard]] QAccessibleInterface* summary() const override;
    [[nodiscard]] QAccessibleInterface* cellAt(int row, int column) const override;
    [[nodiscard]] int selectedCellCount() const override;
    [[nodiscard]] QList<QAccessibleInterface*> selectedCells() const override;
    [[nodiscard]] QString columnDescription(int column) const override;
    [[nodiscard]] QString rowDescription(int row) const override;
    [[nodiscard]] int selectedColumnCount() const override;
    [[nodiscard]] int selectedRowCount() const override;
    [[nodiscard]] int columnCount() const override;
    [[nodiscard]] int rowCount() const override;
    [[nodiscard]] QList<int> selectedColumns() const override;
    [[nodiscard]] QList<int> selectedRows() const override;
    [[nodiscard]] bool isColumnSelected(int column) const override;
    [[nodiscard]] bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int column) override;
    bool unselectRow(int row) override;
    bool unselectColumn(int column) override;
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

private:
    [[nodiscard]] LevelGrid& Grid() const;
    [[nodiscard]] static int IndexOf(int row, int column);

    // The cells made so far, by index (row by row); 0 where none is made yet. Qt's
    // registry owns them; they go with this table.
    mutable std::vector<QAccessible::Id> m_cells;
    // Each cell's name as last announced.
    std::vector<QString> m_announced;
};

}  // namespace dimrix::monitor
