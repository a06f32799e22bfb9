#include <QApplication>
#include <memory>
#include <optional>

#include "app/CommandLine.h"
#include "app/DisplayCheck.h"
#include "platform/ParentConsole.h"
#include "platform/TerminationRequests.h"
#include "serial/qt/QtPortService.h"
#include "window/Form1.h"

namespace {

// The build passes the one application id that also names the desktop entry, the
// metainfo and the icons; a desktop matches the running window to them through it.
constexpr const char* kApplicationId = DIMRIX_APP_ID;

}  // namespace

int main(int argc, char* argv[]) {
    dimrix::platform::ParentConsole::Attach();
    const dimrix::app::CommandLine commandLine(argc, argv);
    if (const std::optional<int> status = commandLine.ExitStatus()) {
        return *status;
    }
    if (const std::optional<int> status = dimrix::app::DisplayCheck::ExitStatus(
            dimrix::app::CommandLine::kProgram, {}, argc, argv)) {
        return *status;
    }
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(kApplicationId);
    dimrix::window::Form1 form(
        std::make_unique<dimrix::serial::QtPortService>(commandLine.Ports()));
    const dimrix::platform::TerminationRequests termination([&form] { form.close(); });
    form.show();
    return QApplication::exec();
}
