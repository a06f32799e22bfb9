#include "window/GroupFrame.h"

#include <qdrawutil.h>
#include <QPainter>
#include <QStyle>

#include "window/FormLayout.h"

namespace dimrix::window {

namespace {

// Sunken, one line wide with no middle line: the etched look of the panel's frames.
constexpr bool kSunken = true;
constexpr int kLineWidth = 1;
constexpr int kMidLineWidth = 0;

}  // namespace

GroupFrame::GroupFrame(QWidget* parent) : QGroupBox(parent) {}

void GroupFrame::paintEvent([[maybe_unused]] QPaintEvent* event) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    QRect border = rect();
    border.setTop(metrics.height() / 2);
    qDrawShadeRect(&painter, border, palette(), kSunken, kLineWidth, kMidLineWidth);
    if (title().isEmpty()) {
        return;
    }
    // The caption interrupts the border, with half a space of air on either side.
    const QRect caption(FormLayout::FrameCaptionIndent(), 0,
                        metrics.horizontalAdvance(title()) + metrics.horizontalAdvance(' '),
                        metrics.height());
    painter.fillRect(caption, palette().window());
    style()->drawItemText(&painter, caption, Qt::AlignCenter, palette(), isEnabled(), title(),
                          QPalette::WindowText);
}

}  // namespace dimrix::window
