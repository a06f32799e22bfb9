// The floor the program's start-up is held against: a Qt Widgets program built in the
// same tree with the same flags, showing a window of the program's size. Given
// "widgets", the window holds the program's widgets as the program lays them out: the
// same frames, labels, buttons, scroll bars, edit box and radio buttons, with the same
// captions and fonts, in plain Qt classes and with nothing behind them. A window draws
// text, which costs the font set-up, and builds its sixty-odd controls; the program can
// start no faster than that, so this window, not a bare one, is its goal. Without an
// argument the window is bare, for comparison with any other Qt program.

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWidget>
#include <string>
#include <type_traits>

#include "window/FormLayout.h"

namespace {

using dimrix::window::FormLayout;

constexpr int kChannels = 8;

template <typename Widget>
Widget* Make(QWidget& window, const std::string& name, const QString& text = {}) {
    const dimrix::window::Placement& place = FormLayout::Of(name);
    QWidget* parent = place.container == FormLayout::kWindowName
                          ? &window
                          : window.findChild<QWidget*>(
                                QString::fromUtf8(place.container.data(), place.container.size()));
    auto* widget = new Widget(parent);
    widget->setGeometry(FormLayout::ToPixels(place.twips));
    widget->setFont(FormLayout::FontOf(place.face));
    widget->setObjectName(QString::fromStdString(name));
    const QString caption =
        text.isEmpty() ? QString::fromUtf8(place.caption.data(), place.caption.size()) : text;
    if constexpr (std::is_same_v<Widget, QGroupBox>) {
        widget->setTitle(caption);
    } else if constexpr (!std::is_same_v<Widget, QScrollBar>) {
        widget->setText(caption);
    }
    return widget;
}

void AddTheProgramsWidgets(QWidget& window) {
    for (const char* frame : {"Frame4", "Frame3", "Frame2", "Frame1"}) {
        Make<QGroupBox>(window, frame);
    }
    Make<QLabel>(window, "Label1");
    Make<QScrollBar>(window, "VScroll3");
    Make<QLineEdit>(window, "Text1", "128");
    for (int channel = 0; channel < kChannels; ++channel) {
        const std::string index = std::to_string(channel);
        Make<QLabel>(window, "Label" + std::to_string(3 + channel));
        Make<QPushButton>(window, "Command9_" + index);
        Make<QPushButton>(window, "Command10_" + index);
        Make<QScrollBar>(window, "VScroll1_" + index);
        Make<QLabel>(window, "Label2_" + index, "0");
    }
    Make<QPushButton>(window, "Command6");
    Make<QScrollBar>(window, "VScroll2");
    Make<QLabel>(window, "Label12", "0");
    Make<QRadioButton>(window, "Option1")->setChecked(true);
    Make<QRadioButton>(window, "Option2");
    Make<QPushButton>(window, "Command1", "GO");
    for (int button = 2; button <= 8; ++button) {
        if (button != 6) {
            Make<QPushButton>(window, "Command" + std::to_string(button));
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    const bool widgets = argc > 1 && std::string(argv[1]) == "widgets";
    window.setWindowTitle(widgets ? "Dimrix floor: widgets" : "Dimrix floor: bare");
    window.setFixedSize(FormLayout::ClientSize());
    if (widgets) {
        AddTheProgramsWidgets(window);
    }
    window.show();
    return QApplication::exec();
}
