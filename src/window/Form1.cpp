#include "window/Form1.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "panel/ErrorReport.h"
#include "serial/SerialLink.h"
#include "window/AccessibleChangeCoalescer.h"
#include "window/AccessibleTexts.h"
#include "window/FormLayout.h"
#include "window/GroupFrame.h"
#include "window/HandlerGuard.h"
#include "window/PanelScrollBar.h"
#include "window/PanelScrollBarAccessible.h"

namespace dimrix::window {

using panel::Control;
using panel::PanelModel;
using protocol::kChannelCount;

namespace {

// A fixed single border: it can be closed and minimised, but neither maximised nor
// resized.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

constexpr const char* kIconResource = ":/dimrix.xpm";

// The broadcast buttons, strongest on top.
constexpr std::array kBroadcastButtons{
    ButtonBinding{"Command5", &PanelModel::Command5_Click},
    ButtonBinding{"Command8", &PanelModel::Command8_Click},
    ButtonBinding{"Command4", &PanelModel::Command4_Click},
    ButtonBinding{"Command7", &PanelModel::Command7_Click},
    ButtonBinding{"Command3", &PanelModel::Command3_Click},
    ButtonBinding{"Command2", &PanelModel::Command2_Click},
};

constexpr std::array kFrames{"Frame4", "Frame3", "Frame2", "Frame1"};

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Timers run as the panel configures them. Precise, because a coarse timer may fire
// up to 5 % late and the fades are timed by it.
void Configure(QTimer& timer, const panel::TimerSettings& settings) {
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(settings.interval);
    if (settings.enabled) {
        timer.start();
    }
}

}  // namespace

Form1::Form1(std::unique_ptr<serial::PortService> port, QWidget* parent)
    : QWidget(parent, kWindowFlags) {
    PanelScrollBarAccessible::Install();
    m_model = std::make_unique<PanelModel>(std::move(port), *this);
    m_announcer = new AccessibleChangeCoalescer(this);
    setObjectName(ToQString(FormLayout::kWindowName));
    setWindowTitle(panel::kAppTitle);
    setWindowIcon(QIcon(kIconResource));
    setFont(FormLayout::FontOf(Face::Standard));
    setFixedSize(FormLayout::ClientSize());

    for (const char* frame : kFrames) {
        Make<GroupFrame>(frame);
    }
    CreateAddressColumn();
    CreateChannelColumns();
    CreateMasterColumn();
    CreateConnectGroup();
    CreateBroadcastButtons();
    ShowEveryControl();
    SetFocusOrder();
    CreateTimers();
    CentreOnScreen();
    QAccessible::installActivationObserver(this);
    if (QAccessible::isActive()) {
        ShowPortDevices();
    }
}

// The scroll bars hold references into the panel and the buttons and timers call it, so
// the children go first, while the panel still exists; the panel goes with the members.
Form1::~Form1() {
    QAccessible::removeActivationObserver(this);
    const QObjectList children = this->children();
    qDeleteAll(children);
}

template <typename Widget, typename... Args>
Widget* Form1::Make(std::string_view name, Args&&... args) {
    const Placement& place = FormLayout::Of(name);
    auto* widget = new Widget(std::forward<Args>(args)..., ContainerOf(place.container));
    widget->setObjectName(ToQString(name));
    widget->setGeometry(FormLayout::ToPixels(place.twips));
    if (place.face != Face::Standard) {
        widget->setFont(FormLayout::FontOf(place.face));
    }
    const QString caption = ToQString(place.caption);
    if constexpr (std::is_base_of_v<QGroupBox, Widget>) {
        widget->setTitle(caption);
    } else if constexpr (std::is_base_of_v<QLabel, Widget>) {
        widget->setText(caption);
        widget->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    } else if constexpr (std::is_base_of_v<QAbstractButton, Widget>) {
        widget->setText(caption);
    }
    const SpokenText spoken = AccessibleTexts::Of(name);
    if (!spoken.name.empty()) {
        widget->setAccessibleName(QString::fromStdString(spoken.name));
    }
    if (!spoken.description.empty()) {
        widget->setAccessibleDescription(QString::fromStdString(spoken.description));
    }
    return widget;
}

QWidget* Form1::ContainerOf(std::string_view container) {
    if (container == FormLayout::kWindowName) {
        return this;
    }
    auto* frame = findChild<QGroupBox*>(ToQString(container), Qt::FindDirectChildrenOnly);
    if (frame == nullptr) {
        throw std::logic_error("container " + std::string(container) + " is not made yet");
    }
    return frame;
}

void Form1::CreateAddressColumn() {
    auto* range = Make<QLabel>("Label1");
    m_vScroll3 = Make<PanelScrollBar>("VScroll3", m_model->VScroll3());
    // A label's buddy is what assistive technology reads it as the label of.
    range->setBuddy(m_vScroll3);
    m_text1 = Make<QLineEdit>("Text1");
    // Only the address slider changes the address; the box just shows it.
    m_text1->setReadOnly(true);
    m_text1->setMaxLength(static_cast<int>(std::to_string(protocol::kLastAddress).size()));
    m_text1->setAlignment(Qt::AlignCenter);
}

void Form1::CreateChannelColumns() {
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const auto slot = static_cast<std::size_t>(channel);
        Make<QLabel>(FormLayout::TitleOfChannel(channel));
        auto* fadeUp = Make<QPushButton>(FormLayout::ArrayMember("Command9", channel));
        connect(fadeUp, &QPushButton::clicked, this,
                [this, channel] { HandlerGuard::Run([&] { m_model->Command9_Click(channel); }); });
        auto* fadeDown = Make<QPushButton>(FormLayout::ArrayMember("Command10", channel));
        connect(fadeDown, &QPushButton::clicked, this,
                [this, channel] { HandlerGuard::Run([&] { m_model->Command10_Click(channel); }); });
        m_vScroll1.at(slot) = Make<PanelScrollBar>(FormLayout::ArrayMember("VScroll1", channel),
                                                   m_model->VScroll1(channel));
        m_label2.at(slot) = Make<QLabel>(FormLayout::ArrayMember("Label2", channel));
        m_label2.at(slot)->setBuddy(m_vScroll1.at(slot));
    }
}

void Form1::CreateMasterColumn() {
    MakeButton({"Command6", &PanelModel::Command6_Click});
    m_vScroll2 = Make<PanelScrollBar>("VScroll2", m_model->VScroll2());
    m_label12 = Make<QLabel>("Label12");
    m_label12->setBuddy(m_vScroll2);
}

void Form1::CreateConnectGroup() {
    m_option1 = Make<QRadioButton>("Option1");
    m_option2 = Make<QRadioButton>("Option2");
    // Naming the devices means listing the host's ports, which costs more than showing
    // the whole window; it waits until the operator points at a choice.
    m_option1->installEventFilter(this);
    m_option2->installEventFilter(this);
    auto* ports = new QButtonGroup(this);
    ports->addButton(m_option1, serial::kFirstPort);
    ports->addButton(m_option2, serial::kSecondPort);
    // The choice is only noted here; it takes effect when GO is pressed.
    connect(ports, &QButtonGroup::idClicked, this, [this](int portNumber) {
        HandlerGuard::Run([&] { m_model->SelectPort(static_cast<std::int16_t>(portNumber)); });
    });
    m_command1 = MakeButton({"Command1", &PanelModel::Command1_Click});
}

void Form1::CreateBroadcastButtons() {
    for (const ButtonBinding& binding : kBroadcastButtons) {
        MakeButton(binding);
    }
}

QPushButton* Form1::MakeButton(const ButtonBinding& binding) {
    auto* button = Make<QPushButton>(binding.name);
    connect(button, &QPushButton::clicked, this, [this, click = binding.click] {
        HandlerGuard::Run([&] { (m_model.get()->*click)(); });
    });
    return button;
}

void Form1::CreateTimers() {
    auto* refresh = new QTimer(this);
    refresh->setObjectName("Timer1");
    Configure(*refresh, m_model->Timer1());
    connect(refresh, &QTimer::timeout, this,
            [this] { HandlerGuard::Run([&] { m_model->Timer1_Timer(); }); });

    // While a report box is open its event loop still delivers these ticks; the panel
    // drops them then, so a fade simply pauses until the report is dismissed.
    auto* fade = new QTimer(this);
    fade->setObjectName("Timer2");
    Configure(*fade, m_model->Timer2());
    connect(fade, &QTimer::timeout, this,
            [this] { HandlerGuard::Run([&] { m_model->Timer2_Timer(); }); });
}

void Form1::SetFocusOrder() {
    QWidget* previous = nullptr;
    for (std::string_view name : FormLayout::FocusOrder()) {
        auto* widget = findChild<QWidget*>(ToQString(name));
        if (widget == nullptr) {
            throw std::logic_error("no focusable control " + std::string(name));
        }
        if (previous == nullptr) {
            widget->setFocus();
        } else {
            setTabOrder(previous, widget);
        }
        previous = widget;
    }
}

void Form1::CentreOnScreen() {
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                    screen()->availableGeometry()));
}

void Form1::ShowEveryControl() {
    for (int channel = 0; channel < kChannelCount; ++channel) {
        ControlChanged({Control::ChannelSlider, channel});
        ControlChanged({Control::ChannelReadout, channel});
    }
    for (Control control : {Control::MasterSlider, Control::MasterReadout, Control::AddressSlider,
                            Control::AddressText, Control::PortChoice, Control::ConnectCaption}) {
        ControlChanged({control});
    }
}

void Form1::ControlChanged(panel::ControlId control) {
    const auto slot = static_cast<std::size_t>(control.index);
    switch (control.control) {
        case Control::ChannelSlider:
            m_announcer->Show([&] { m_vScroll1.at(slot)->ShowSliderValue(); });
            break;
        case Control::ChannelReadout:
            m_announcer->Show([&] {
                m_label2.at(slot)->setText(QString::fromStdString(m_model->Label2(control.index)));
            });
            break;
        case Control::MasterSlider:
            m_announcer->Show([&] { m_vScroll2->ShowSliderValue(); });
            break;
        case Control::MasterReadout:
            m_announcer->Show(
                [&] { m_label12->setText(QString::fromStdString(m_model->Label12())); });
            break;
        case Control::AddressSlider:
            m_announcer->Show([&] { m_vScroll3->ShowSliderValue(); });
            break;
        case Control::AddressText:
            m_text1->setText(QString::fromStdString(m_model->Text1()));
            break;
        case Control::PortChoice:
            ShowPortChoice();
            break;
        case Control::ConnectCaption:
            m_command1->setText(QString::fromStdString(m_model->Command1Caption()));
            m_command1->setToolTip(QString::fromStdString(m_model->Command1ToolTip()));
            break;
    }
}

void Form1::ShowPortChoice() {
    // In an exclusive group, checking one button unchecks the other.
    (m_model->Option1() ? m_option1 : m_option2)->setChecked(true);
}

void Form1::ShowPortDevices() {
    m_option1->setToolTip(QString::fromStdString(m_model->PortDescription(serial::kFirstPort)));
    m_option2->setToolTip(QString::fromStdString(m_model->PortDescription(serial::kSecondPort)));
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    const bool speaking = event->type() == QEvent::FocusIn && QAccessible::isActive();
    if ((event->type() == QEvent::ToolTip || speaking) &&
        (watched == m_option1 || watched == m_option2)) {
        ShowPortDevices();
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::accessibilityActiveChanged(bool active) {
    if (active) {
        ShowPortDevices();
    }
}

void Form1::ShowMessage(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void Form1::closeEvent(QCloseEvent* event) {
    HandlerGuard::Run([&] { m_model->Form_Unload(); });
    event->accept();
}

}  // namespace dimrix::window
