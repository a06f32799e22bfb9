#include "monitor/window/LevelGrid.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QPainter>

#include "monitor/window/LevelGridAccessible.h"
#include "protocol/Protocol.h"

namespace dimrix::monitor {

namespace {

constexpr int kLabelWidth = 48;
constexpr int kCellWidth = 64;
// The number stands right of the bar, never on it, so it reads the same at any level.
constexpr int kNumberWidth = 30;
constexpr int kRowHeight = 20;
constexpr int kGap = 2;
constexpr int kHeaderHeight = 20;
constexpr int kMargin = 4;
constexpr int kCellsLeft = kMargin + kLabelWidth;

const QColor kCellBackground(0x26, 0x26, 0x2b);
const QColor kBar(0xd9, 0x8e, 0x1f);
const QColor kMarkedBar(0xff, 0xc8, 0x4a);
const QColor kCellText(0xf2, 0xf2, 0xf2);
const QColor kMark(0x3d, 0x8e, 0xf0);

}  // namespace

LevelGrid::LevelGrid(const LineMonitor& monitor, QWidget* parent)
    : QWidget(parent), m_monitor(monitor) {
    LevelGridAccessible::Install();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName("Board levels");
    setAccessibleDescription(
        "One row per board, one column per channel, each cell in per cent of full duty");
}

QSize LevelGrid::sizeHint() const {
    return {kMargin * 2 + kLabelWidth + protocol::kChannelCount * (kCellWidth + kGap),
            kMargin * 2 + kHeaderHeight + protocol::kAddressCount * (kRowHeight + kGap)};
}

QRect LevelGrid::RowRect(std::size_t board) const {
    return {0, kMargin + kHeaderHeight + static_cast<int>(board) * (kRowHeight + kGap), width(),
            kRowHeight + kGap};
}

QRect LevelGrid::CellRect(std::size_t board, int channel) const {
    return {kCellsLeft + channel * (kCellWidth + kGap), RowRect(board).top(), kCellWidth,
            kRowHeight};
}

QString LevelGrid::ChannelTitle(int channel) {
    return QString("PWM%1").arg(channel);
}

QString LevelGrid::BoardTitle(int board) {
    return QString("Board %1").arg(protocol::kFirstAddress + board);
}

void LevelGrid::UpdateBoard(std::size_t board) {
    update(RowRect(board));
}

void LevelGrid::AnnounceChanges() {
    if (!QAccessible::isActive()) {
        return;
    }
    if (auto* table =
            dynamic_cast<LevelGridAccessible*>(QAccessible::queryAccessibleInterface(this))) {
        table->AnnounceChanges();
    }
}

void LevelGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    painter.setPen(palette().color(QPalette::WindowText));
    if (event->rect().top() < kMargin + kHeaderHeight) {
        for (int channel = 0; channel < protocol::kChannelCount; ++channel) {
            painter.drawText(QRect(kCellsLeft + channel * (kCellWidth + kGap), kMargin, kCellWidth,
                                   kHeaderHeight),
                             Qt::AlignCenter, ChannelTitle(channel));
        }
    }
    const auto marked = m_monitor.ShownMark();
    const auto& boards = m_monitor.Boards();
    for (std::size_t board = 0; board < boards.size(); ++board) {
        const QRect row = RowRect(board);
        if (!row.intersects(event->rect())) {
            continue;
        }
        const auto address = static_cast<protocol::Address>(protocol::kFirstAddress + board);
        const bool isMarked = marked == address;
        const QRect label(kMargin, row.top(), kLabelWidth - kGap, kRowHeight);
        if (isMarked) {
            painter.fillRect(label, kMark);
        }
        painter.setPen(isMarked ? kCellText : palette().color(QPalette::WindowText));
        painter.drawText(label, Qt::AlignCenter, QString::number(address));
        for (int channel = 0; channel < protocol::kChannelCount; ++channel) {
            const QRect cell = CellRect(board, channel);
            const protocol::Level level = boards[board][static_cast<std::size_t>(channel)];
            painter.fillRect(cell, kCellBackground);
            QRect bar = cell.adjusted(kGap, kGap, -kNumberWidth, -kGap);
            bar.setWidth(bar.width() * level / protocol::kMaxLevel);
            painter.fillRect(bar, isMarked ? kMarkedBar : kBar);
            painter.setPen(kCellText);
            painter.drawText(cell.adjusted(0, 0, -kGap * 2, 0), Qt::AlignRight | Qt::AlignVCenter,
                             QString::number(level));
        }
    }
}

}  // namespace dimrix::monitor
