#include "window/AccessibleChangeCoalescer.h"

#include <QAccessibleInterface>
#include <QAccessibleValueInterface>
#include <algorithm>

namespace dimrix::window {

namespace {

// The coalescer whose Show is running; Qt's update handler is a plain function.
AccessibleChangeCoalescer* g_showing = nullptr;

}  // namespace

AccessibleChangeCoalescer::AccessibleChangeCoalescer(QObject* parent) : QObject(parent) {
    m_interval.setSingleShot(true);
    m_interval.setInterval(kInterval);
    connect(&m_interval, &QTimer::timeout, this, &AccessibleChangeCoalescer::Announce);
}

void AccessibleChangeCoalescer::Show(const std::function<void()>& show) {
    // Without assistive technology nothing is announced, so nothing needs holding.
    if (!QAccessible::isActive() || g_showing != nullptr) {
        show();
        return;
    }
    g_showing = this;
    m_previousHandler = QAccessible::installUpdateHandler(&Hold);
    show();
    QAccessible::installUpdateHandler(m_previousHandler);
    g_showing = nullptr;
    if (!m_interval.isActive()) {
        Announce();
    }
}

void AccessibleChangeCoalescer::Hold(QAccessibleEvent* event) {
    g_showing->Take(event);
}

void AccessibleChangeCoalescer::Take(QAccessibleEvent* event) {
    const QAccessible::Event type = event->type();
    QObject* control = event->object();
    if ((type == QAccessible::ValueChanged || type == QAccessible::NameChanged) &&
        control != nullptr) {
        const bool held = std::any_of(m_held.begin(), m_held.end(), [&](const Change& change) {
            return change.control == control && change.type == type;
        });
        if (!held) {
            m_held.push_back({control, type});
        }
        return;
    }
    // Showing a value raises nothing else; should Qt ever raise more, it goes on its way
    // as it came, through the handler that was there before.
    if (m_previousHandler != nullptr) {
        m_previousHandler(event);
        return;
    }
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&Hold);
}

// Sends what was held, and holds what comes next until the interval is over.
void AccessibleChangeCoalescer::Announce() {
    if (m_held.empty()) {
        return;
    }
    const std::vector<Change> held = std::exchange(m_held, {});
    for (const Change& change : held) {
        if (change.control == nullptr) {
            continue;
        }
        if (change.type == QAccessible::ValueChanged) {
            QAccessibleInterface* control = QAccessible::queryAccessibleInterface(change.control);
            QAccessibleValueInterface* value =
                control != nullptr ? control->valueInterface() : nullptr;
            QAccessibleValueChangeEvent event(
                change.control, value != nullptr ? value->currentValue() : QVariant());
            QAccessible::updateAccessibility(&event);
        } else {
            QAccessibleEvent event(change.control, change.type);
            QAccessible::updateAccessibility(&event);
        }
    }
    m_interval.start();
}

}  // namespace dimrix::window
