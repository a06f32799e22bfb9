#include "window/PanelScrollBar.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "window/HandlerGuard.h"

namespace dimrix::window {

namespace {

// The window's only modal box is a report; while it is open, Qt keeps the operator's
// input from the window. Assistive tools reach the window around that, so they ask this.
bool ReportIsOpen() {
    return QApplication::activeModalWidget() != nullptr;
}

}  // namespace

PanelScrollBar::PanelScrollBar(panel::SliderModel& slider, QWidget* parent)
    : QScrollBar(Qt::Vertical, parent), m_slider(slider) {
    setRange(0, std::abs(m_slider.Max() - m_slider.Min()));
    setSingleStep(kStep);
    setPageStep(kStep);
    // Qt scroll bars take no focus by default; the panel's are moved with the arrow keys.
    setFocusPolicy(Qt::StrongFocus);

    connect(this, &QAbstractSlider::actionTriggered, this, &PanelScrollBar::OnActionTriggered);
    connect(this, &QAbstractSlider::sliderMoved, this, &PanelScrollBar::OnSliderMoved);
    connect(this, &QAbstractSlider::sliderReleased, this, &PanelScrollBar::OnSliderReleased);
}

void PanelScrollBar::ShowSliderValue() {
    const QSignalBlocker blocker(this);
    setValue(ToPosition(m_slider.Value()));
}

int PanelScrollBar::Direction() const {
    return m_slider.Max() >= m_slider.Min() ? 1 : -1;
}

int PanelScrollBar::ToPosition(panel::SliderModel::Level value) const {
    return (value - m_slider.Min()) * Direction();
}

panel::SliderModel::Level PanelScrollBar::ToValue(int position) const {
    return static_cast<panel::SliderModel::Level>(m_slider.Min() + position * Direction());
}

void PanelScrollBar::RequestValue(double requested) {
    if (std::isnan(requested) || ReportIsOpen()) {
        return;
    }
    const double lowest = std::min(m_slider.Min(), m_slider.Max());
    const double highest = std::max(m_slider.Min(), m_slider.Max());
    const auto level =
        static_cast<panel::SliderModel::Level>(std::lround(std::clamp(requested, lowest, highest)));
    // The move may open a report, whose event loop would otherwise hold the caller's
    // reply for as long as the box stays open. A report that opened in the meantime (an
    // earlier request's, run from this event loop) refuses the move as it would a key.
    QMetaObject::invokeMethod(
        this,
        [this, level] {
            if (!ReportIsOpen()) {
                HandlerGuard::Run([&] { m_slider.SetValue(level); });
            }
        },
        Qt::QueuedConnection);
}

// Arrows, track, keys and the wheel arrive here with the new position already set. A
// thumb drag arrives here too (as SliderMove with the slider down) but is handled by
// sliderMoved and sliderReleased instead, so that it becomes a drag in the panel.
void PanelScrollBar::OnActionTriggered(int action) {
    if (action == SliderMove && isSliderDown()) {
        return;
    }
    HandlerGuard::Run([&] { m_slider.SetValue(ToValue(sliderPosition())); });
}

void PanelScrollBar::OnSliderMoved(int position) {
    HandlerGuard::Run([&] { m_slider.DragTo(ToValue(position)); });
}

void PanelScrollBar::OnSliderReleased() {
    HandlerGuard::Run([&] { m_slider.EndDrag(); });
}

bool PanelScrollBar::event(QEvent* event) {
    // A report box that opens while the mouse button is down on this scroll bar takes
    // all further mouse input, so the release never arrives here. Without it an arrow
    // would go on auto-repeating under the box, opening one report after another.
    if (event->type() == QEvent::WindowBlocked) {
        LetGoQuietly();
    }
    return QScrollBar::event(event);
}

// Ends a press as a release would, but without a notification: a drag cut short by a
// report ends where it was, and no further frame is sent for it.
void PanelScrollBar::LetGoQuietly() {
    const QSignalBlocker blocker(this);
    const QPointF inside(rect().center());
    QMouseEvent release(QEvent::MouseButtonRelease, inside, mapToGlobal(inside), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    mouseReleaseEvent(&release);
}

}  // namespace dimrix::window
