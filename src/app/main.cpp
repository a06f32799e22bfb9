#include <QApplication>
#include <memory>

#include "serial/qt/QtPortService.h"
#include "window/Form1.h"
#include "window/TerminationSignals.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName("dimrix");
    dimrix::window::Form1 form(std::make_unique<dimrix::serial::QtPortService>());
    const dimrix::window::TerminationSignals termination([&form] { form.close(); });
    form.show();
    return QApplication::exec();
}
