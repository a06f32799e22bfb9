#include <QApplication>
#include <QCoreApplication>
#include <QStringList>
#include <optional>
#include <variant>

#include "app/DisplayCheck.h"
#include "monitor/qt/MonitorCommandLine.h"
#include "monitor/qt/TextMonitor.h"
#include "monitor/window/MonitorWindow.h"
#include "platform/ParentConsole.h"

// The command line is read before any application object exists: --help, --version and
// text mode never need a display.
int main(int argc, char* argv[]) {
    using namespace dimrix::monitor;
    dimrix::platform::ParentConsole::Attach();
    QStringList arguments;
    for (int index = 0; index < argc; ++index) {
        arguments << QString::fromLocal8Bit(argv[index]);
    }
    const auto parsed = MonitorCommandLine::Parse(arguments);
    if (const int* status = std::get_if<int>(&parsed)) {
        return *status;
    }
    const auto& options = std::get<MonitorOptions>(parsed);
    if (options.text) {
        const QCoreApplication app(argc, argv);
        return TextMonitor::Run(options);
    }
    if (const std::optional<int> status = dimrix::app::DisplayCheck::ExitStatus(
            MonitorCommandLine::kProgram, "use --text to print frames instead", argc, argv)) {
        return *status;
    }
    const QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(DIMRIX_MONITOR_APP_ID);
    return MonitorWindow::Run(options);
}
