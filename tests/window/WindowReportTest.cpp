#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>
#include <QtTest/QTest>
#include <string>

#include "ReportWatcher.h"
#include "WindowFixture.h"

namespace dimrix::testing {
namespace {

using WindowReportTest = WindowFixture;

TEST_F(WindowReportTest, SendingWithThePortClosedShowsTheCommonReport) {
    std::string readoutWhileShown;
    bool ownedByTheWindow = false;
    bool modal = false;
    ReportWatcher watcher([&](QMessageBox& box) {
        readoutWhileShown = TextOf("Label2_3");
        ownedByTheWindow = box.parentWidget() == &Form();
        modal = box.isModal();
    });
    ClickOn("VScroll1_3", QStyle::SC_ScrollBarSubLine);

    ASSERT_EQ(watcher.Reports().size(), 1u);
    const ReportWatcher::Report& report = watcher.Reports().front();
    EXPECT_EQ(report.title, "Dimrix");
    EXPECT_EQ(report.text, "Open com port first!");
    EXPECT_EQ(report.icon, QMessageBox::NoIcon);
    EXPECT_EQ(report.buttons, QMessageBox::Ok);
    EXPECT_EQ(report.buttonCount, 1);
    EXPECT_TRUE(ownedByTheWindow);
    EXPECT_TRUE(modal);
    EXPECT_EQ(readoutWhileShown, "1") << "the read-out is current before the box shows";
    EXPECT_TRUE(m_com1.Received().empty());
}

TEST_F(WindowReportTest, BroadcastWithThePortClosedReportsOnceAndChangesNothing) {
    ReportWatcher watcher;
    Click("Command5");
    ASSERT_EQ(watcher.Reports().size(), 1u);
    EXPECT_EQ(watcher.Reports().front().text, "Open com port first!");
    for (int channel = 0; channel < 8; ++channel) {
        EXPECT_EQ(TextOf("Label2_" + QString::number(channel)), "0");
    }
}

// A report box runs its own event loop, which keeps delivering the fade timer. While the
// box is open the fade must stand still; once it is dismissed the fade goes on.
TEST_F(WindowReportTest, NoFadeStepRunsWhileAReportIsOpen) {
    auto* fadeTimer = Find<QTimer>("Timer2");
    int ticksWhileOpen = 0;
    std::string fadingReadoutAtDismissal;
    int fadingPositionAtDismissal = -1;
    QMetaObject::Connection counting;
    int boxes = 0;
    ReportWatcher watcher(
        [&](QMessageBox&) {
            if (++boxes == 1) {
                counting = QObject::connect(fadeTimer, &QTimer::timeout,
                                            [&ticksWhileOpen] { ++ticksWhileOpen; });
            }
        },
        [&] {
            if (boxes > 1 || ticksWhileOpen < 5) {
                return boxes > 1;
            }
            QObject::disconnect(counting);
            fadingReadoutAtDismissal = TextOf("Label2_0");
            fadingPositionAtDismissal = Find<QScrollBar>("VScroll1_0")->value();
            return true;
        });

    Click("Command9_0");                                 // channel 0 starts fading up
    ClickOn("VScroll1_1", QStyle::SC_ScrollBarSubLine);  // and the first report opens

    EXPECT_GE(ticksWhileOpen, 5);
    EXPECT_EQ(fadingReadoutAtDismissal, "0");
    EXPECT_EQ(fadingPositionAtDismissal, 100) << "the fading thumb stayed at the bottom";

    // Dismissed, the fade takes its next step, which reports the closed port once and
    // ends the fade.
    EXPECT_TRUE(WaitUntil([&watcher] { return watcher.Reports().size() == 2u; }));
    LetTicksPass(4);
    EXPECT_EQ(TextOf("Label2_0"), "1");
    EXPECT_EQ(watcher.Reports().size(), 2u);
    for (const ReportWatcher::Report& report : watcher.Reports()) {
        EXPECT_EQ(report.text, "Open com port first!");
    }
}

// The box takes the mouse, so the scroll bar never sees the button go up. It must not
// go on repeating the step (and opening a report per repeat) underneath the box.
TEST_F(WindowReportTest, HoldingAnArrowUnderAReportDoesNotRepeat) {
    auto* bar = Find<QScrollBar>("VScroll1_2");
    int ticksWhileOpen = 0;
    std::string readoutAtDismissal;
    const QMetaObject::Connection counting = QObject::connect(
        Find<QTimer>("Timer2"), &QTimer::timeout, [&ticksWhileOpen] { ++ticksWhileOpen; });
    // Longer than the half second after which a held arrow starts repeating.
    constexpr int kTicksPastRepeatDelay = 30;
    ReportWatcher watcher([&](QMessageBox&) { ticksWhileOpen = 0; },
                          [&] {
                              readoutAtDismissal = TextOf("Label2_2");
                              return ticksWhileOpen >= kTicksPastRepeatDelay;
                          });

    const QPoint arrow = PartOf(*bar, QStyle::SC_ScrollBarSubLine).center();
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, arrow);
    QObject::disconnect(counting);
    EXPECT_EQ(readoutAtDismissal, "1");
    EXPECT_EQ(watcher.Reports().size(), 1u);

    // The release the box swallowed in real life arrives here now; it changes nothing.
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, arrow);
    LetTicksPass(4);
    EXPECT_EQ(TextOf("Label2_2"), "1");
    EXPECT_EQ(watcher.Reports().size(), 1u);
}

// Assistive tools reach the window around a report box's modality. A move that opens a
// report must not keep their call waiting on the box, and while one is open their moves
// are refused, as the operator's are: whether asked for then, or asked for before and
// due to run then.
TEST_F(WindowReportTest, AssistiveToolsAreAnsweredBeforeAReportAndRefusedWhileOneIsOpen) {
    const auto slider = [this](const char* name) {
        return QAccessible::queryAccessibleInterface(Find(name))->valueInterface();
    };
    ReportWatcher watcher([&](QMessageBox&) { slider("VScroll1_5")->setCurrentValue(50); });

    slider("VScroll1_3")->setCurrentValue(40);  // the port is closed: a report
    slider("VScroll1_6")->setCurrentValue(60);  // would run while that report is open
    EXPECT_TRUE(watcher.Reports().empty()) << "the call waited for the report";

    EXPECT_TRUE(WaitUntil([&watcher] { return !watcher.Reports().empty(); }));
    LetTicksPass(4);
    EXPECT_EQ(TextOf("Label2_3"), "40");
    EXPECT_EQ(TextOf("Label2_5"), "0");
    EXPECT_EQ(TextOf("Label2_6"), "0");
    EXPECT_EQ(watcher.Reports().size(), 1u);
}

TEST_F(WindowReportTest, ClosingTheWindowReleasesThePort) {
    Connect();
    Form().close();
    EXPECT_TRUE(WaitUntil([this] { return !m_com1.SlaveIsOpen(); }));
    EXPECT_FALSE(Form().isVisible());
}

TEST_F(WindowReportTest, ClosingWithThePortClosedLeavesThePortsAlone) {
    Form().close();
    LetTicksPass(2);
    EXPECT_FALSE(m_com1.SlaveIsOpen());
    EXPECT_FALSE(m_com2.SlaveIsOpen());
}

}  // namespace
}  // namespace dimrix::testing
