#pragma once

#include <QAccessible>
#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "panel/PanelListener.h"
#include "panel/PanelModel.h"
#include "protocol/Protocol.h"
#include "serial/PortService.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dimrix::window {

class AccessibleChangeCoalescer;
class PanelScrollBar;

// A push button and the one panel operation its click runs.
struct ButtonBinding {
    std::string_view name;
    void (panel::PanelModel::*click)();
};

// The program's one window. It owns the panel, shows every value the panel holds and
// hands each event it handles to exactly one panel operation. It keeps no state of its
// own: every value on screen is read from the panel when the panel says it changed.
class Form1 : public QWidget, public panel::PanelListener, private QAccessible::ActivationObserver {
    Q_OBJECT

public:
    // `port` is the serial device behind the panel's link: the host's ports in the
    // program, pseudo-terminals in tests.
    explicit Form1(std::unique_ptr<serial::PortService> port, QWidget* parent = nullptr);
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    void ControlChanged(panel::ControlId control) override;
    // A modal box with the panel's title and text, no icon and one OK button; returns
    // once the operator has dismissed it.
    void ShowMessage(const std::string& title, const std::string& text) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Fills the port choices' tooltips as one is about to show, or, for assistive
    // technology, which reads them as descriptions, as one takes the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateAddressColumn();
    void CreateChannelColumns();
    void CreateMasterColumn();
    void CreateConnectGroup();
    void CreateBroadcastButtons();
    void CreateTimers();
    void SetFocusOrder();
    void CentreOnScreen();
    void ShowEveryControl();
    void ShowPortChoice();
    void ShowPortDevices();
    // With assistive technology on, the port choices name their devices up front: a
    // screen reader may read them without the pointer ever resting on one.
    void accessibilityActiveChanged(bool active) override;

    // Creates a control as laid out: in its container, named, placed and captioned.
    template <typename Widget, typename... Args>
    Widget* Make(std::string_view name, Args&&... args);
    [[nodiscard]] QWidget* ContainerOf(std::string_view container);
    QPushButton* MakeButton(const ButtonBinding& binding);

    std::array<PanelScrollBar*, protocol::kChannelCount> m_vScroll1{};
    std::array<QLabel*, protocol::kChannelCount> m_label2{};
    PanelScrollBar* m_vScroll2 = nullptr;
    QLabel* m_label12 = nullptr;
    PanelScrollBar* m_vScroll3 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    QPushButton* m_command1 = nullptr;
    AccessibleChangeCoalescer* m_announcer = nullptr;
    // Made once every other member exists, since the panel holds on to *this; it goes
    // after the child widgets, which hold references into it (see ~Form1).
    std::unique_ptr<panel::PanelModel> m_model;
};

}  // namespace dimrix::window
