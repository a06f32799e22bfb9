#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace dimrix::window {

class PanelScrollBar;

// A panel slider as assistive technology sees it: a slider whose value is the level or
// the board address the operator means, where Qt's own interface would read the scroll
// bar's position, which counts from the top.
class PanelScrollBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit PanelScrollBarAccessible(PanelScrollBar* bar);

    // Makes Qt ask this class for every PanelScrollBar; once is enough for the program.
    static void Install();

    [[nodiscard]] QString text(QAccessible::Text text) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    [[nodiscard]] QVariant currentValue() const override;
    // Any number is taken; see PanelScrollBar::RequestValue.
    void setCurrentValue(const QVariant& value) override;
    [[nodiscard]] QVariant maximumValue() const override;
    [[nodiscard]] QVariant minimumValue() const override;
    [[nodiscard]] QVariant minimumStepSize() const override;

private:
    [[nodiscard]] PanelScrollBar& Bar() const;
};

}  // namespace dimrix::window
