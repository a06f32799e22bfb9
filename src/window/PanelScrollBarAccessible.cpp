#include "window/PanelScrollBarAccessible.h"

#include <algorithm>

#include "window/PanelScrollBar.h"

namespace dimrix::window {

namespace {

QAccessibleInterface* Create(const QString& className, QObject* object) {
    if (className != QLatin1String(PanelScrollBar::staticMetaObject.className())) {
        return nullptr;
    }
    return new PanelScrollBarAccessible(static_cast<PanelScrollBar*>(object));
}

}  // namespace

PanelScrollBarAccessible::PanelScrollBarAccessible(PanelScrollBar* bar)
    : QAccessibleWidget(bar, QAccessible::Slider) {}

void PanelScrollBarAccessible::Install() {
    static const bool installed = [] {
        QAccessible::installFactory(&Create);
        return true;
    }();
    static_cast<void>(installed);
}

PanelScrollBar& PanelScrollBarAccessible::Bar() const {
    return *static_cast<PanelScrollBar*>(widget());
}

QString PanelScrollBarAccessible::text(QAccessible::Text text) const {
    if (text == QAccessible::Value) {
        return QString::number(Bar().Slider().Value());
    }
    return QAccessibleWidget::text(text);
}

void* PanelScrollBarAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QVariant PanelScrollBarAccessible::currentValue() const {
    return static_cast<int>(Bar().Slider().Value());
}

void PanelScrollBarAccessible::setCurrentValue(const QVariant& value) {
    bool isNumber = false;
    const double requested = value.toDouble(&isNumber);
    if (isNumber) {
        Bar().RequestValue(requested);
    }
}

QVariant PanelScrollBarAccessible::maximumValue() const {
    return static_cast<int>(std::max(Bar().Slider().Min(), Bar().Slider().Max()));
}

QVariant PanelScrollBarAccessible::minimumValue() const {
    return static_cast<int>(std::min(Bar().Slider().Min(), Bar().Slider().Max()));
}

QVariant PanelScrollBarAccessible::minimumStepSize() const {
    return PanelScrollBar::kStep;
}

}  // namespace dimrix::window
