#pragma once

#include <QAccessible>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

namespace dimrix::window {

// Lets assistive tools hear of the values the window shows a few times a second at
// most. A fade moves up to eight sliders and their read-outs forty times a second, and
// Qt announces every move; the accessibility bus would carry hundreds of events a second
// to every listening tool, which no screen reader can use and which slow every program
// on the bus.
class AccessibleChangeCoalescer : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kInterval{250};

    explicit AccessibleChangeCoalescer(QObject* parent);

    // Runs `show`, which shows a new value or text on a widget, and holds back the value
    // and name changes Qt announces meanwhile. After a quiet interval they go out as soon
    // as `show` returns; within one, once per control at its end.
    void Show(const std::function<void()>& show);

private:
    struct Change {
        QPointer<QObject> control;
        QAccessible::Event type = QAccessible::ValueChanged;
    };

    // Qt's update handler while a value is being shown.
    static void Hold(QAccessibleEvent* event);
    void Take(QAccessibleEvent* event);
    void Announce();

    std::vector<Change> m_held;
    QTimer m_interval;
    QAccessible::UpdateHandler m_previousHandler = nullptr;
};

}  // namespace dimrix::window
