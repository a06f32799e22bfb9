#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

namespace dimrix::testing {

// Answers the window's report boxes the way an operator would: it looks for a modal
// box from a timer (which the box's own event loop keeps delivering), notes what the
// box says, and clicks its OK button once the test lets it.
class ReportWatcher : public QObject {
public:
    // What the operator saw in one box.
    struct Report {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        int buttonCount = 0;
    };

    // `onShown` runs once per box, when it is first seen. `dismissWhen` is asked while a
    // box is open, and OK is clicked once it says yes; without it, at once.
    explicit ReportWatcher(std::function<void(QMessageBox&)> onShown = {},
                           std::function<bool()> dismissWhen = {});

    [[nodiscard]] const std::vector<Report>& Reports() const { return m_reports; }

private:
    void Look();

    std::function<void(QMessageBox&)> m_onShown;
    std::function<bool()> m_dismissWhen;
    std::vector<Report> m_reports;
    bool m_boxSeen = false;
    QTimer m_poll;
};

}  // namespace dimrix::testing
