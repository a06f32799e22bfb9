#pragma once

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "monitor/qt/MonitorCommandLine.h"
#include "monitor/qt/MonitorSession.h"
#include "serial/HostPlatform.h"
#include "serial/qt/PortMap.h"

namespace dimrix::monitor {

// The question a monitor started without a line asks (as from a desktop menu or the
// Start Menu): which of the serial ports present to listen on, in the order the panel
// takes COM1 and COM2 from (USB adapters first; a port carrying the kernel console is
// not offered), and the virtual line where the system has one. Enter, a double click or
// Monitor takes the line under the cursor.
class PortChooser : public QDialog {
    Q_OBJECT

public:
    // `ports` as the system lists them (serial::PortListing).
    PortChooser(const std::vector<serial::PortEntry>& ports, serial::HostPlatform platform,
                bool offerVirtualLine, QWidget* parent = nullptr);

    // What the lines offered are to the operator, in the order shown.
    [[nodiscard]] std::vector<std::string> Offered() const;
    // The options that name the line under the cursor.
    [[nodiscard]] MonitorOptions Chosen() const;
    // Says why the line last chosen could not be opened, above the choice.
    void ShowFailure(const std::string& failure);

    // Lists the ports present and asks until a line opens: its session, or nothing once
    // the operator cancels. Needs a QApplication.
    [[nodiscard]] static std::unique_ptr<MonitorSession> OpenChosen(MonitorSession::Loss loss);

private:
    std::vector<MonitorOptions> m_choices;
    QLabel* m_question = nullptr;
    QLabel* m_failure = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_monitor = nullptr;
};

}  // namespace dimrix::monitor
