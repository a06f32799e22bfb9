#include "monitor/window/LevelGridAccessible.h"

#include "monitor/window/LevelCellAccessible.h"
#include "protocol/Protocol.h"

namespace dimrix::monitor {

namespace {

constexpr int kRows = protocol::kAddressCount;
constexpr int kColumns = protocol::kChannelCount;

QAccessibleInterface* Create(const QString& className, QObject* object) {
    if (className != QLatin1String(LevelGrid::staticMetaObject.className())) {
        return nullptr;
    }
    return new LevelGridAccessible(static_cast<LevelGrid*>(object));
}

}  // namespace

LevelGridAccessible::LevelGridAccessible(LevelGrid* grid)
    : QAccessibleWidget(grid, QAccessible::Table),
      m_cells(static_cast<std::size_t>(kRows * kColumns)) {
    m_announced.reserve(m_cells.size());
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            m_announced.push_back(LevelCellAccessible::Name(grid->Monitor(), row, column));
        }
    }
}

LevelGridAccessible::~LevelGridAccessible() {
    for (const QAccessible::Id id : m_cells) {
        if (id != 0) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }
}

void LevelGridAccessible::Install() {
    static const bool installed = [] {
        QAccessible::installFactory(&Create);
        return true;
    }();
    static_cast<void>(installed);
}

LevelGrid& LevelGridAccessible::Grid() const {
    return *static_cast<LevelGrid*>(widget());
}

int LevelGridAccessible::IndexOf(int row, int column) {
    return row * kColumns + column;
}

void LevelGridAccessible::AnnounceChanges() {
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const auto index = static_cast<std::size_t>(IndexOf(row, column));
            QString name = LevelCellAccessible::Name(Grid().Monitor(), row, column);
            if (name == m_announced[index]) {
                continue;
            }
            m_announced[index] = std::move(name);
            // A cell no tool has asked for yet is read afresh when one does.
            if (m_cells[index] != 0) {
                QAccessibleEvent event(QAccessible::accessibleInterface(m_cells[index]),
                                       QAccessible::NameChanged);
                QAccessible::updateAccessibility(&event);
            }
        }
    }
}

QAccessible::Role LevelGridAccessible::role() const {
    return QAccessible::Table;
}

int LevelGridAccessible::childCount() const {
    return kRows * kColumns;
}

QAccessibleInterface* LevelGridAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) {
        return nullptr;
    }
    return cellAt(index / kColumns, index % kColumns);
}

int LevelGridAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* cell = dynamic_cast<const LevelCellAccessible*>(child);
    if (cell == nullptr || cell->table() != this) {
        return -1;
    }
    return IndexOf(cell->rowIndex(), cell->columnIndex());
}

void* LevelGridAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface) {
        return static_cast<QAccessibleTableInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* LevelGridAccessible::caption() const {
    return nullptr;
}

QAccessibleInterface* LevelGridAccessible::summary() const {
    return nullptr;
}

QAccessibleInterface* LevelGridAccessible::cellAt(int row, int column) const {
    if (row < 0 || row >= kRows || column < 0 || column >= kColumns) {
        return nullptr;
    }
    QAccessible::Id& id = m_cells[static_cast<std::size_t>(IndexOf(row, column))];
    if (id == 0) {
        id =
            QAccessible::registerAccessibleInterface(new LevelCellAccessible(&Grid(), row, column));
    }
    return QAccessible::accessibleInterface(id);
}

int LevelGridAccessible::selectedCellCount() const {
    return 0;
}

QList<QAccessibleInterface*> LevelGridAccessible::selectedCells() const {
    return {};
}

QString LevelGridAccessible::columnDescription(int column) const {
    return LevelGrid::ChannelTitle(column);
}

QString LevelGridAccessible::rowDescription(int row) const {
    return LevelGrid::BoardTitle(row);
}

int LevelGridAccessible::selectedColumnCount() const {
    return 0;
}

int LevelGridAccessible::selectedRowCount() const {
    return 0;
}

int LevelGridAccessible::columnCount() const {
    return kColumns;
}

int LevelGridAccessible::rowCount() const {
    return kRows;
}

QList<int> LevelGridAccessible::selectedColumns() const {
    return {};
}

QList<int> LevelGridAccessible::selectedRows() const {
    return {};
}

bool LevelGridAccessible::isColumnSelected(int /*column*/) const {
    return false;
}

bool LevelGridAccessible::isRowSelected(int /*row*/) const {
    return false;
}

bool LevelGridAccessible::selectRow(int /*row*/) {
    return false;
}

bool LevelGridAccessible::selectColumn(int /*column*/) {
    return false;
}

bool LevelGridAccessible::unselectRow(int /*row*/) {
    return false;
}

bool LevelGridAccessible::unselectColumn(int /*column*/) {
    return false;
}

void LevelGridAccessible::modelChange(QAccessibleTableModelChangeEvent* /*event*/) {
    // The grid has no item model; its rows and columns never change.
}

}  // namespace dimrix::monitor
