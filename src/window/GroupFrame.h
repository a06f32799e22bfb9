#pragma once

#include <QGroupBox>

namespace dimrix::window {

// A group frame drawn the way the panel's frames look: an etched border whose
// top edge runs through the middle of the caption, the caption a little in from the
// left. The controls inside are placed relative to the frame's outer corner, so the
// border must not push them down the way most styles' group boxes do.
class GroupFrame : public QGroupBox {
    Q_OBJECT

public:
    explicit GroupFrame(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace dimrix::window
