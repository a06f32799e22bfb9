#include <QCoreApplication>
#include <QStringList>
#include <variant>

#include "bridge/qt/Bridge.h"
#include "bridge/qt/BridgeCommandLine.h"

// The command line is read before the application object exists, as in the other
// programs; the bridge never needs a display.
int main(int argc, char* argv[]) {
    using namespace dimrix::bridge;
    QStringList arguments;
    for (int index = 0; index < argc; ++index) {
        arguments << QString::fromLocal8Bit(argv[index]);
    }
    const auto parsed = BridgeCommandLine::Parse(arguments);
    if (const int* status = std::get_if<int>(&parsed)) {
        return *status;
    }
    const QCoreApplication app(argc, argv);
    return Bridge::Run(std::get<BridgeOptions>(parsed));
}
