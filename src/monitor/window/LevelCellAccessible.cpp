#include "monitor/window/LevelCellAccessible.h"

#include <QWidget>
#include <QWindow>

namespace dimrix::monitor {

LevelCellAccessible::LevelCellAccessible(LevelGrid* grid, int row, int column)
    : m_grid(grid), m_row(row), m_column(column) {}

QString LevelCellAccessible::Name(const LineMonitor& monitor, int row, int column) {
    const auto board = static_cast<std::size_t>(row);
    const auto address = static_cast<protocol::Address>(protocol::kFirstAddress + row);
    const protocol::Level level = monitor.Boards().at(board).at(static_cast<std::size_t>(column));
    QString name = QString("%1, %2: %3%")
                       .arg(LevelGrid::BoardTitle(row), LevelGrid::ChannelTitle(column))
                       .arg(level);
    if (monitor.ShownMark() == address) {
        name += ", last frame";
    }
    return name;
}

bool LevelCellAccessible::isValid() const {
    return m_grid != nullptr;
}

QObject* LevelCellAccessible::object() const {
    return nullptr;
}

QWindow* LevelCellAccessible::window() const {
    return m_grid != nullptr ? m_grid->window()->windowHandle() : nullptr;
}

QAccessibleInterface* LevelCellAccessible::parent() const {
    return QAccessible::queryAccessibleInterface(m_grid.data());
}

QAccessibleInterface* LevelCellAccessible::child(int /*index*/) const {
    return nullptr;
}

int LevelCellAccessible::childCount() const {
    return 0;
}

int LevelCellAccessible::indexOfChild(const QAccessibleInterface* /*child*/) const {
    return -1;
}

QAccessibleInterface* LevelCellAccessible::childAt(int /*x*/, int /*y*/) const {
    return nullptr;
}

QString LevelCellAccessible::text(QAccessible::Text text) const {
    if (m_grid == nullptr) {
        return {};
    }
    const LineMonitor& monitor = m_grid->Monitor();
    switch (text) {
        case QAccessible::Name:
            return Name(monitor, m_row, m_column);
        case QAccessible::Value:
            return QString::number(monitor.Boards()
                                       .at(static_cast<std::size_t>(m_row))
                                       .at(static_cast<std::size_t>(m_column)));
        default:
            return {};
    }
}

void LevelCellAccessible::setText(QAccessible::Text /*text*/, const QString& /*value*/) {
    // The cells show what the line carried; nothing writes them.
}

QRect LevelCellAccessible::rect() const {
    if (m_grid == nullptr) {
        return {};
    }
    const QRect cell = m_grid->CellRect(static_cast<std::size_t>(m_row), m_column);
    return {m_grid->mapToGlobal(cell.topLeft()), cell.size()};
}

QAccessible::Role LevelCellAccessible::role() const {
    return QAccessible::Cell;
}

QAccessible::State LevelCellAccessible::state() const {
    QAccessible::State state;
    state.readOnly = true;
    state.invisible = m_grid == nullptr || !m_grid->isVisible();
    return state;
}

void* LevelCellAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableCellInterface) {
        return static_cast<QAccessibleTableCellInterface*>(this);
    }
    return nullptr;
}

bool LevelCellAccessible::isSelected() const {
    return false;
}

QList<QAccessibleInterface*> LevelCellAccessible::columnHeaderCells() const {
    return {};
}

QList<QAccessibleInterface*> LevelCellAccessible::rowHeaderCells() const {
    return {};
}

int LevelCellAccessible::columnIndex() const {
    return m_column;
}

int LevelCellAccessible::rowIndex() const {
    return m_row;
}

int LevelCellAccessible::columnExtent() const {
    return 1;
}

int LevelCellAccessible::rowExtent() const {
    return 1;
}

QAccessibleInterface* LevelCellAccessible::table() const {
    return parent();
}

}  // namespace dimrix::monitor
