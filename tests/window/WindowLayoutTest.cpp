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
#include <string>
#include <vector>

#include "WindowFixture.h"

namespace dimrix::testing {
namespace {

using WindowLayoutTest = WindowFixture;

struct Expected {
    const char* name;
    const char* container;
    QRect pixels;
};

// The layout's twips divided by 15, rounded to the nearest pixel.
const std::vector<Expected> kGeometry{
    {"Frame4", "Form1", {16, 16, 73, 321}},       {"Label1", "Frame4", {8, 32, 49, 25}},
    {"VScroll3", "Frame4", {16, 64, 36, 225}},    {"Text1", "Frame4", {16, 296, 36, 19}},
    {"Frame3", "Form1", {104, 16, 409, 321}},     {"Label3", "Frame3", {16, 16, 41, 17}},
    {"Label4", "Frame3", {62, 16, 41, 17}},       {"Label5", "Frame3", {110, 16, 41, 17}},
    {"Label6", "Frame3", {158, 16, 41, 17}},      {"Label7", "Frame3", {206, 16, 41, 17}},
    {"Label8", "Frame3", {254, 16, 41, 17}},      {"Label9", "Frame3", {302, 16, 41, 17}},
    {"Label10", "Frame3", {350, 16, 41, 17}},     {"Command9_0", "Frame3", {16, 32, 36, 17}},
    {"Command9_1", "Frame3", {67, 32, 36, 17}},   {"Command9_2", "Frame3", {115, 32, 36, 17}},
    {"Command9_3", "Frame3", {163, 32, 36, 17}},  {"Command9_4", "Frame3", {211, 32, 36, 17}},
    {"Command9_5", "Frame3", {259, 32, 36, 17}},  {"Command9_6", "Frame3", {307, 32, 36, 17}},
    {"Command9_7", "Frame3", {355, 32, 36, 17}},  {"Command10_0", "Frame3", {16, 48, 36, 17}},
    {"Command10_1", "Frame3", {67, 48, 36, 17}},  {"Command10_2", "Frame3", {115, 48, 36, 17}},
    {"Command10_3", "Frame3", {163, 48, 36, 17}}, {"Command10_4", "Frame3", {211, 48, 36, 17}},
    {"Command10_5", "Frame3", {259, 48, 36, 17}}, {"Command10_6", "Frame3", {307, 48, 36, 17}},
    {"Command10_7", "Frame3", {355, 48, 36, 17}}, {"VScroll1_0", "Frame3", {16, 63, 36, 225}},
    {"VScroll1_1", "Frame3", {67, 64, 36, 225}},  {"VScroll1_2", "Frame3", {115, 64, 36, 225}},
    {"VScroll1_3", "Frame3", {163, 64, 36, 225}}, {"VScroll1_4", "Frame3", {211, 64, 36, 225}},
    {"VScroll1_5", "Frame3", {259, 64, 36, 225}}, {"VScroll1_6", "Frame3", {307, 64, 36, 225}},
    {"VScroll1_7", "Frame3", {355, 64, 36, 225}}, {"Label2_0", "Frame3", {16, 294, 36, 22}},
    {"Label2_1", "Frame3", {67, 295, 36, 22}},    {"Label2_2", "Frame3", {115, 296, 36, 22}},
    {"Label2_3", "Frame3", {163, 296, 36, 22}},   {"Label2_4", "Frame3", {211, 296, 36, 22}},
    {"Label2_5", "Frame3", {259, 296, 36, 22}},   {"Label2_6", "Frame3", {307, 296, 36, 22}},
    {"Label2_7", "Frame3", {355, 295, 36, 22}},   {"Frame2", "Form1", {528, 16, 89, 321}},
    {"Command6", "Frame2", {16, 24, 49, 25}},     {"VScroll2", "Frame2", {24, 64, 36, 225}},
    {"Label12", "Frame2", {24, 296, 33, 17}},     {"Frame1", "Form1", {632, 16, 105, 121}},
    {"Option1", "Frame1", {24, 24, 73, 17}},      {"Option2", "Frame1", {24, 48, 65, 25}},
    {"Command1", "Frame1", {24, 88, 57, 25}},     {"Command5", "Form1", {648, 144, 73, 25}},
    {"Command8", "Form1", {648, 176, 73, 25}},    {"Command4", "Form1", {648, 208, 73, 25}},
    {"Command7", "Form1", {648, 240, 73, 25}},    {"Command3", "Form1", {648, 272, 73, 25}},
    {"Command2", "Form1", {648, 304, 73, 25}},
};

TEST_F(WindowLayoutTest, EveryControlSitsWhereTheLayoutPutsIt) {
    for (const Expected& control : kGeometry) {
        QWidget* widget = Find(control.name);
        EXPECT_EQ(widget->parentWidget()->objectName(), control.container) << control.name;
        EXPECT_EQ(widget->geometry(), control.pixels) << control.name;
        EXPECT_TRUE(widget->isVisible()) << control.name;
        EXPECT_TRUE(widget->isEnabled()) << control.name;
    }
    // Frames, labels, buttons, sliders, the text box and the option buttons: no more.
    EXPECT_EQ(Form().findChildren<QWidget*>().size(), static_cast<qsizetype>(kGeometry.size()));
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
