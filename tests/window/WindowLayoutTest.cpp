#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QtTest/QTest>
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "WindowFixture.h"

namespace dimrix::testing {
namespace {

using WindowLayoutTest = WindowFixture;

// The controls of one column or group, in their order from top to bottom.
using Column = std::vector<std::string>;

Column ChannelColumn(int channel) {
    const std::string index = std::to_string(channel);
    return {"Label" + std::to_string(3 + channel), "Command9_" + index, "Command10_" + index,
            "VScroll1_" + index, "Label2_" + index};
}

// Relations a layout fault would break, rather than the layout's own numbers again:
// groups side by side in order, columns that do not overlap, controls in their order
// from top to bottom, and every control inside its container.
class LayoutRelations {
public:
    explicit LayoutRelations(const QWidget& window) : m_window(window) {}

    void TopToBottom(const Column& column, const char* container) {
        for (std::size_t k = 0; k < column.size(); ++k) {
            QWidget* widget = Find(column[k]);
            EXPECT_EQ(widget->parentWidget()->objectName(), container) << column[k];
            if (k > 0) {
                EXPECT_LT(Find(column[k - 1])->y(), widget->y()) << column[k];
            }
            m_placed.push_back(column[k]);
        }
    }

    // Every control of `left` ends before any of `right` begins.
    void LeftOf(const Column& left, const Column& right) {
        int leftEnd = 0;
        for (const std::string& name : left) {
            leftEnd = std::max(leftEnd, Find(name)->geometry().right());
        }
        for (const std::string& name : right) {
            EXPECT_LT(leftEnd, Find(name)->x()) << name;
        }
    }

    [[nodiscard]] std::size_t Placed() const { return m_placed.size(); }

private:
    [[nodiscard]] QWidget* Find(const std::string& name) const {
        auto* widget = m_window.findChild<QWidget*>(QString::fromStdString(name));
        if (widget == nullptr) {
            throw std::logic_error("no control " + name);
        }
        return widget;
    }

    const QWidget& m_window;
    std::vector<std::string> m_placed;
};

TEST_F(WindowLayoutTest, ControlsSitInOrderInsideTheirGroupsWithoutOverlapping) {
    LayoutRelations layout(Form());
    const Column groups{"Frame4", "Frame3", "Frame2", "Frame1"};
    for (std::size_t k = 0; k < groups.size(); ++k) {
        EXPECT_EQ(Find(QString::fromStdString(groups[k]))->parentWidget(), &Form()) << groups[k];
        if (k > 0) {
            layout.LeftOf({groups[k - 1]}, {groups[k]});
        }
    }
    layout.TopToBottom({"Label1", "VScroll3", "Text1"}, "Frame4");
    for (int channel = 0; channel < 8; ++channel) {
        layout.TopToBottom(ChannelColumn(channel), "Frame3");
        if (channel > 0) {
            layout.LeftOf(ChannelColumn(channel - 1), ChannelColumn(channel));
        }
    }
    layout.TopToBottom({"Command6", "VScroll2", "Label12"}, "Frame2");
    layout.TopToBottom({"Option1", "Option2", "Command1"}, "Frame1");
    // The presets under the connect group, strongest on top.
    layout.TopToBottom(
        {"Frame1", "Command5", "Command8", "Command4", "Command7", "Command3", "Command2"},
        "Form1");
    layout.LeftOf({"Frame2"}, {"Command5", "Command2"});

    const QList<QWidget*> controls = Form().findChildren<QWidget*>();
    for (const QWidget* widget : controls) {
        const QString name = widget->objectName();
        EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
            << name.toStdString();
        EXPECT_TRUE(widget->isVisible()) << name.toStdString();
        EXPECT_TRUE(widget->isEnabled()) << name.toStdString();
    }
    // Every control is one of those placed above, and the group frames: no more.
    EXPECT_EQ(static_cast<std::size_t>(controls.size()), layout.Placed() + groups.size() - 1);
}

TEST_F(WindowLayoutTest, WindowIsFixedCentredAndTitled) {
    EXPECT_EQ(Form().size(), QSize(748, 344));
    EXPECT_EQ(Form().minimumSize(), QSize(748, 344));
    EXPECT_EQ(Form().maximumSize(), QSize(748, 344));
    EXPECT_FALSE(Form().windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    const QPoint offCentre =
        Form().geometry().center() - Form().screen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2);
    EXPECT_EQ(Form().windowTitle(), "Dimrix");
    EXPECT_EQ(Form().objectName(), "Form1");
    EXPECT_TRUE(Form().windowIcon().availableSizes().contains(QSize(32, 32)));
}

TEST_F(WindowLayoutTest, StartsWithTheCaptionsAndValuesOfAFreshPanel) {
    const std::vector<std::pair<const char*, const char*>> captions{
        {"Label1", "128-158"},   {"Text1", "128"},         {"Command6", "SEND"},
        {"Label12", "0"},        {"Option1", "COM1"},      {"Option2", "COM2"},
        {"Command1", "GO"},      {"Command5", "ALL 100%"}, {"Command8", "ALL 70%"},
        {"Command4", "ALL 50%"}, {"Command7", "ALL 30%"},  {"Command3", "ALL 10%"},
        {"Command2", "All OFF"},
    };
    for (const auto& [name, caption] : captions) {
        EXPECT_EQ(TextOf(name), caption) << name;
    }
    EXPECT_EQ(Find<QGroupBox>("Frame4")->title(), "Address");
    EXPECT_EQ(Find<QGroupBox>("Frame3")->title(), "Channels");
    EXPECT_EQ(Find<QGroupBox>("Frame2")->title(), "Master");
    EXPECT_EQ(Find<QGroupBox>("Frame1")->title(), "Connect");
    for (int channel = 0; channel < 8; ++channel) {
        const QString index = QString::number(channel);
        EXPECT_EQ(TextOf("Label" + QString::number(channel + 3)), "PWM" + index.toStdString());
        EXPECT_EQ(TextOf("Command9_" + index), "F+");
        EXPECT_EQ(TextOf("Command10_" + index), "F-");
        EXPECT_EQ(TextOf("Label2_" + index), "0");
    }
    EXPECT_TRUE(Find<QRadioButton>("Option1")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("Option2")->isChecked());
    // Every thumb sits at the bottom: level 0, master 0, board 128.
    for (QScrollBar* bar : Form().findChildren<QScrollBar*>()) {
        EXPECT_EQ(bar->value(), bar->maximum()) << bar->objectName().toStdString();
    }
    EXPECT_EQ(Form().findChildren<QScrollBar*>().size(), 10);

    // Nothing is opened and nothing is sent until the operator acts.
    LetTicksPass(4);
    EXPECT_FALSE(m_com1.SlaveIsOpen());
    EXPECT_FALSE(m_com2.SlaveIsOpen());
    EXPECT_TRUE(m_com1.Received().empty());
    EXPECT_TRUE(m_com2.Received().empty());
}

TEST_F(WindowLayoutTest, LabelsAreCentredAndUseTheLayoutsFonts) {
    for (QLabel* label : Form().findChildren<QLabel*>()) {
        EXPECT_TRUE(label->alignment().testFlag(Qt::AlignHCenter))
            << label->objectName().toStdString();
    }
    const QStringList arialLike{"Arial", "Liberation Sans", "Arimo"};
    for (int title = 3; title <= 10; ++title) {
        const QFont font = Find("Label" + QString::number(title))->font();
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 8.25);
        EXPECT_TRUE(arialLike.contains(QFontInfo(font).family()))
            << QFontInfo(font).family().toStdString();
    }
    for (const char* name : {"Label1", "Command1", "Option1", "Text1", "Frame3", "Label2_0"}) {
        const QFont font = Find(name)->font();
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 8.25) << name;
        EXPECT_EQ(font.families().value(0), "MS Sans Serif") << name;
        EXPECT_EQ(QFontInfo(font).styleHint(), QFont::SansSerif) << name;
    }
}

// The window's focus order. As with any group of option buttons, Tab stops only at the
// selected one of "COM1" and "COM2"; the arrow keys move between them.
const std::vector<std::string> kFocusOrder{
    "Option1",     "Option2",    "Command1",    "Command2",   "Command3",    "Command4",
    "Command5",    "VScroll2",   "Command6",    "Command7",   "Command8",    "VScroll1_7",
    "VScroll1_6",  "VScroll1_5", "VScroll1_4",  "VScroll1_3", "VScroll1_2",  "VScroll1_1",
    "VScroll1_0",  "VScroll3",   "Text1",       "Command9_0", "Command10_0", "Command9_1",
    "Command10_1", "Command9_2", "Command10_2", "Command9_3", "Command10_3", "Command9_4",
    "Command10_4", "Command9_5", "Command10_5", "Command9_6", "Command10_6", "Command9_7",
    "Command10_7",
};

std::vector<std::string> Without(std::vector<std::string> names, const std::string& name) {
    std::erase(names, name);
    return names;
}

// Presses `key` once per control and notes where the focus was before each press.
std::vector<std::string> FocusWalk(Qt::Key key, std::size_t presses) {
    std::vector<std::string> visited;
    for (std::size_t press = 0; press < presses; ++press) {
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr) {
            break;
        }
        visited.push_back(focus->objectName().toStdString());
        QTest::keyClick(focus, key);
    }
    return visited;
}

TEST_F(WindowLayoutTest, FocusChainFollowsTheLayoutsOrder) {
    std::vector<std::string> chain;
    QWidget* widget = Find("Option1");
    do {
        // Qt takes Tab focus away from the option button that is not selected, so
        // every control that takes focus at all counts here.
        if (widget->focusPolicy() != Qt::NoFocus) {
            chain.push_back(widget->objectName().toStdString());
        }
        widget = widget->nextInFocusChain();
    } while (widget != Find("Option1"));
    EXPECT_EQ(chain, kFocusOrder);
}

TEST_F(WindowLayoutTest, TabStartsAtComOneAndGoesRoundInOrder) {
    Form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Form()));
    std::vector<std::string> expected = Without(kFocusOrder, "Option2");
    expected.push_back("Option1");
    EXPECT_EQ(FocusWalk(Qt::Key_Tab, expected.size()), expected);
}

TEST_F(WindowLayoutTest, ArrowKeysChooseThePortAndTabThenStopsAtTheChosenOne) {
    Form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Form()));
    QTest::keyClick(Find("Option1"), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), Find("Option2"));
    EXPECT_TRUE(Find<QRadioButton>("Option2")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("Option1")->isChecked());

    Find("Command1")->setFocus();
    const std::vector<std::string> backwards{"Command1", "Option2", "Command10_7"};
    EXPECT_EQ(FocusWalk(Qt::Key_Backtab, backwards.size()), backwards);
}

TEST_F(WindowLayoutTest, AddressBoxCannotBeTypedInto) {
    auto* text1 = Find<QLineEdit>("Text1");
    EXPECT_TRUE(text1->isReadOnly());
    EXPECT_EQ(text1->maxLength(), 3);
    EXPECT_TRUE(text1->alignment().testFlag(Qt::AlignHCenter));
    text1->setFocus();
    QTest::keyClick(text1, Qt::Key_End);
    QTest::keyClick(text1, Qt::Key_Backspace);
    QTest::keyClicks(text1, "9");
    QTest::keyClick(text1, Qt::Key_Home);
    QTest::keyClick(text1, Qt::Key_Delete);
    EXPECT_EQ(text1->text(), "128");
}

TEST_F(WindowLayoutTest, TimersRunAsThePanelConfiguresThem) {
    auto* fade = Find<QTimer>("Timer2");
    EXPECT_TRUE(fade->isActive());
    EXPECT_EQ(fade->interval(), 25);
    EXPECT_EQ(fade->timerType(), Qt::PreciseTimer);
    auto* refresh = Find<QTimer>("Timer1");
    EXPECT_FALSE(refresh->isActive());
    EXPECT_EQ(refresh->interval(), 5000);
}

TEST_F(WindowLayoutTest, PortChoicesAndTheConnectButtonNameTheirDevices) {
    // As when the pointer rests on COM1: its tooltip is about to show.
    QWidget* option1 = Find("Option1");
    QHelpEvent hover(QEvent::ToolTip, option1->rect().center(),
                     option1->mapToGlobal(option1->rect().center()));
    QApplication::sendEvent(option1, &hover);
    QToolTip::hideText();
    EXPECT_TRUE(option1->toolTip().contains(QString::fromStdString(m_com1.SlavePath())));
    EXPECT_TRUE(Find("Option2")->toolTip().contains(QString::fromStdString(m_com2.SlavePath())));

    EXPECT_EQ(Find("Command1")->toolTip(), "");
    Connect();
    EXPECT_EQ(Find("Command1")->toolTip().toStdString(), "Online: " + m_com1.SlavePath());
}

}  // namespace
}  // namespace dimrix::testing
