// The floors the program's start-up is held against, built with the same flags: a bare
// window of the program's size or, given "widgets", one holding the program's widgets
// where it puts them, with their captions and fonts, in plain Qt classes with nothing
// behind them. The program can start no faster than that: it is the goal.

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <string>

#include "window/FormLayout.h"

namespace {

using dimrix::window::FormLayout;

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename Widget>
void Make(QWidget& window, const std::string& name, const char* text = nullptr) {
    const dimrix::window::Placement& place = FormLayout::Of(name);
    auto* container = window.findChild<QWidget*>(ToQString(place.container));
    auto* widget = new Widget(container != nullptr ? container : &window);
    widget->setObjectName(ToQString(name));
    widget->setGeometry(FormLayout::ToPixels(place.twips));
    widget->setFont(FormLayout::FontOf(place.face));
    // Every one of these classes shows its caption as "title" or "text".
    widget->setProperty(std::is_same_v<Widget, QGroupBox> ? "title" : "text",
                        text != nullptr ? QString(text) : ToQString(place.caption));
}

void AddTheProgramsWidgets(QWidget& window) {
    for (const char* frame : {"Frame4", "Frame3", "Frame2", "Frame1"}) {
        Make<QGroupBox>(window, frame);
    }
    Make<QLabel>(window, "Label1");
    Make<QScrollBar>(window, "VScroll3");
    Make<QLineEdit>(window, "Text1", "128");
    for (int channel = 0; channel < 8; ++channel) {
        const std::string index = std::to_string(channel);
        Make<QLabel>(window, "Label" + std::to_string(3 + channel));
        Make<QPushButton>(window, "Command9_" + index);
        Make<QPushButton>(window, "Command10_" + index);
        Make<QScrollBar>(window, "VScroll1_" + index);
        Make<QLabel>(window, "Label2_" + index, "0");
    }
    Make<QScrollBar>(window, "VScroll2");
    Make<QLabel>(window, "Label12", "0");
    Make<QRadioButton>(window, "Option1");
    Make<QRadioButton>(window, "Option2");
    Make<QPushButton>(window, "Command1", "GO");
    for (const char* button :
         {"Command2", "Command3", "Command4", "Command5", "Command6", "Command7", "Command8"}) {
        Make<QPushButton>(window, button);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Dimrix floor");
    window.setFixedSize(FormLayout::ClientSize());
    if (argc > 1 && std::string(argv[1]) == "widgets") {
        AddTheProgramsWidgets(window);
    }
    window.show();
    return QApplication::exec();
}
