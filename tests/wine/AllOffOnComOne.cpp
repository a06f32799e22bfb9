#include <QCoreApplication>
#include <iostream>
#include <memory>

#include "panel/PanelModel.h"
#include "serial/qt/QtPortService.h"
#include "support/RecordingListener.h"

// Under Wine, with COM1 mapped to a pseudo-terminal whose far end the calling script reads:
// GO on COM1 (the start choice), then All OFF, through the panel and the real Windows
// port, as the window's buttons would do it. Closing the panel closes the port, which
// lets out what it still holds. Exit status 0 unless the panel reported a fault.
int main(int argc, char* argv[]) {
    const QCoreApplication app(argc, argv);
    dimrix::testing::RecordingListener listener;
    {
        dimrix::panel::PanelModel model(std::make_unique<dimrix::serial::QtPortService>(),
                                        listener);
        model.Command1_Click();
        model.Command2_Click();
    }
    for (const dimrix::testing::Message& message : listener.messages) {
        std::cerr << message.title << ": " << message.text << '\n';
    }
    return listener.messages.empty() ? 0 : 1;
}
