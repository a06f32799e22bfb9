#include "monitor/window/PortChooser.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>
#include <variant>

#include "monitor/qt/VirtualLine.h"
#include "serial/qt/PortListing.h"

namespace dimrix::monitor {

namespace {

constexpr const char* kTitle = "Dimrix Monitor";
constexpr const char* kQuestion = "Which line should the monitor listen on?";
constexpr const char* kNothingPresent =
    "No serial port is present. Plug in the adapter clipped onto the line, then start the "
    "monitor again.";
constexpr const char* kMonitorButton = "Monitor";
constexpr const char* kListName = "Lines to listen on";
constexpr const char* kVirtualLineLabel =
    "Virtual line \u2014 a pseudo-terminal a panel can be pointed at, with nothing plugged in";
constexpr int kVisibleRows = 8;

}  // namespace

PortChooser::PortChooser(const std::vector<serial::PortEntry>& ports, serial::HostPlatform platform,
                         bool offerVirtualLine, QWidget* parent)
    : QDialog(parent),
      m_question(new QLabel(kQuestion, this)),
      m_failure(new QLabel(this)),
      m_list(new QListWidget(this)) {
    setWindowTitle(kTitle);
    for (const serial::MappedPort& port : serial::PortMap::Offered(ports, platform)) {
        m_list->addItem(QString::fromStdString(serial::PortMap::Label(port)));
        MonitorOptions choice;
        choice.device = port.device;
        m_choices.push_back(choice);
    }
    if (offerVirtualLine) {
        m_list->addItem(kVirtualLineLabel);
        MonitorOptions choice;
        choice.virtualLine = true;
        m_choices.push_back(choice);
    }
    m_failure->setWordWrap(true);
    m_failure->hide();
    // The question is what assistive technology reads the list as labelled by.
    m_list->setAccessibleName(kListName);
    m_question->setBuddy(m_list);
    m_list->setMinimumHeight(m_list->sizeHintForRow(0) * kVisibleRows);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_monitor = buttons->button(QDialogButtonBox::Ok);
    m_monitor->setText(kMonitorButton);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemActivated, this, &QDialog::accept);

    if (m_choices.empty()) {
        m_question->setText(kNothingPresent);
        m_question->setWordWrap(true);
        m_monitor->setEnabled(false);
    } else {
        m_list->setCurrentRow(0);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_failure);
    layout->addWidget(m_question);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    m_list->setFocus();
}

std::vector<std::string> PortChooser::Offered() const {
    std::vector<std::string> offered;
    for (int row = 0; row < m_list->count(); ++row) {
        offered.push_back(m_list->item(row)->text().toStdString());
    }
    return offered;
}

MonitorOptions PortChooser::Chosen() const {
    const int row = m_list->currentRow();
    return row < 0 ? MonitorOptions{} : m_choices.at(static_cast<std::size_t>(row));
}

void PortChooser::ShowFailure(const std::string& failure) {
    m_failure->setText(QString::fromStdString(failure));
    m_failure->show();
}

std::unique_ptr<MonitorSession> PortChooser::OpenChosen(MonitorSession::Loss loss) {
    PortChooser chooser(serial::PortListing::Present(), serial::kHostPlatform,
                        VirtualLine::kAvailable);
    while (chooser.exec() == QDialog::Accepted) {
        auto opened = MonitorSession::Opened(chooser.Chosen(), loss);
        if (auto* session = std::get_if<std::unique_ptr<MonitorSession>>(&opened)) {
            return std::move(*session);
        }
        chooser.ShowFailure(std::get<std::string>(opened));
    }
    return nullptr;
}

}  // namespace dimrix::monitor
