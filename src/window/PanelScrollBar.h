#pragma once

#include <QScrollBar>

#include "panel/SliderModel.h"

namespace dimrix::window {

// A vertical scroll bar that shows one of the panel's sliders and hands every move the
// operator makes to it.
//
// The panel's sliders have their larger value at the top, while a Qt scroll bar has
// its minimum there and most styles ignore an inverted appearance for scroll bars. So
// the widget keeps Qt's natural range, 0 at the top, and this class is the one place
// that maps between a widget position and a slider value.
class PanelScrollBar : public QScrollBar {
    Q_OBJECT

public:
    // Arrow and track clicks, keys and assistive tools move a panel slider by one.
    static constexpr int kStep = 1;

    PanelScrollBar(panel::SliderModel& slider, QWidget* parent);

    // Shows the slider's current value without telling anyone: the value came from the
    // panel, which already knows.
    void ShowSliderValue();

    // The slider as the operator means it, the larger value at the top; what assistive
    // technology reads.
    [[nodiscard]] const panel::SliderModel& Slider() const { return m_slider; }
    // Assistive technology asks for a value: rounded to a whole one within the slider's
    // range, it becomes one keyboard move, made from the event loop once this has
    // returned. Refused while a report box is open, as the operator's input is.
    void RequestValue(double requested);

protected:
    bool event(QEvent* event) override;

private:
    [[nodiscard]] int ToPosition(panel::SliderModel::Level value) const;
    [[nodiscard]] panel::SliderModel::Level ToValue(int position) const;
    [[nodiscard]] int Direction() const;

    void OnActionTriggered(int action);
    void OnSliderMoved(int position);
    void OnSliderReleased();
    void LetGoQuietly();

    panel::SliderModel& m_slider;
};

}  // namespace dimrix::window
