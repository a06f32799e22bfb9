#include <QApplication>
#include <memory>

#include "serial/qt/QtPortService.h"
#include "window/Form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName("dimrix");
    dimrix::window::Form1 form(std::make_unique<dimrix::serial::QtPortService>());
    form.show();
    return QApplication::exec();
}
