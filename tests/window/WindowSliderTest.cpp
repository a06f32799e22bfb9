#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest/QTest>
#include <cmath>
#include <vector>

#include "WindowFixture.h"

namespace dimrix::testing {
namespace {

using WindowSliderTest = WindowFixture;

constexpr auto kTopArrow = QStyle::SC_ScrollBarSubLine;
constexpr auto kBottomArrow = QStyle::SC_ScrollBarAddLine;
constexpr auto kTrackAboveThumb = QStyle::SC_ScrollBarSubPage;
constexpr auto kTrackBelowThumb = QStyle::SC_ScrollBarAddPage;
constexpr auto kThumb = QStyle::SC_ScrollBarSlider;

TEST_F(WindowSliderTest, ArrowClickMovesTheChannelOneStepAndSendsOneFrame) {
    Connect();
    ClickOn("VScroll1_3", kTopArrow);
    EXPECT_EQ(TextOf("Label2_3"), "1");
    EXPECT_TRUE(Carries(m_com1, {128, 0, 0, 0, 1, 0, 0, 0, 0, 255}));

    ClickOn("VScroll1_3", kBottomArrow);
    ClickOn("VScroll1_3", kBottomArrow);  // already at the bottom: nothing to send
    EXPECT_EQ(TextOf("Label2_3"), "0");
    EXPECT_TRUE(Carries(m_com1, {128, 0, 0, 0, 1, 0, 0, 0, 0, 255,  //
                                 128, 0, 0, 0, 0, 0, 0, 0, 0, 255}));
}

TEST_F(WindowSliderTest, TrackClickMovesOneStepAndSendsOneFrame) {
    Connect();
    ClickOn("VScroll1_6", kTrackAboveThumb);
    ClickOn("VScroll1_6", kTrackAboveThumb);
    ClickOn("VScroll1_6", kTrackBelowThumb);
    EXPECT_EQ(TextOf("Label2_6"), "1");
    EXPECT_TRUE(Carries(m_com1, {128, 0, 0, 0, 0, 0, 0, 1, 0, 255,  //
                                 128, 0, 0, 0, 0, 0, 0, 2, 0, 255,  //
                                 128, 0, 0, 0, 0, 0, 0, 1, 0, 255}));
}

TEST_F(WindowSliderTest, ArrowKeysMoveTheFocusedSlider) {
    Connect();
    auto* bar = Find<QScrollBar>("VScroll1_5");
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Up);
    QTest::keyClick(bar, Qt::Key_Up);
    QTest::keyClick(bar, Qt::Key_Down);
    QTest::keyClick(bar, Qt::Key_Home);  // to the top: full level
    EXPECT_EQ(TextOf("Label2_5"), "100");
    EXPECT_EQ(bar->value(), bar->minimum());
    EXPECT_TRUE(Carries(m_com1, {128, 0, 0, 0, 0, 0, 1,   0, 0, 255,  //
                                 128, 0, 0, 0, 0, 0, 2,   0, 0, 255,  //
                                 128, 0, 0, 0, 0, 0, 1,   0, 0, 255,  //
                                 128, 0, 0, 0, 0, 0, 100, 0, 0, 255}));
}

TEST_F(WindowSliderTest, WheelStepIsOneMove) {
    Connect();
    auto* bar = Find<QScrollBar>("VScroll1_1");
    const QPointF centre(bar->rect().center());
    QWheelEvent up(centre, bar->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(bar, &up);
    EXPECT_EQ(TextOf("Label2_1"), "1");
    EXPECT_TRUE(Carries(m_com1, {128, 0, 1, 0, 0, 0, 0, 0, 0, 255}));
}

TEST_F(WindowSliderTest, ThumbDragSendsOneFramePerPositionAndOneAtRelease) {
    Connect();
    auto* bar = Find<QScrollBar>("VScroll1_3");
    QPoint at = PartOf(*bar, kThumb).center();
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, at);

    Bytes expected;
    int previous = 0;
    constexpr int kMoves = 5;
    constexpr int kPixelsPerMove = 12;
    for (int move = 0; move < kMoves; ++move) {
        at.ry() -= kPixelsPerMove;
        QTest::mouseMove(bar, at);
        const int level = std::stoi(TextOf("Label2_3"));
        ASSERT_GT(level, previous) << "each move upwards raises the level";
        previous = level;
        const Bytes frame{128, 0, 0, 0, static_cast<std::uint8_t>(level), 0, 0, 0, 0, 255};
        expected.insert(expected.end(), frame.begin(), frame.end());
    }
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, at);
    const Bytes release{128, 0, 0, 0, static_cast<std::uint8_t>(previous), 0, 0, 0, 0, 255};
    expected.insert(expected.end(), release.begin(), release.end());

    EXPECT_TRUE(Carries(m_com1, expected));
    EXPECT_EQ(bar->value(), bar->maximum() - previous);
}

TEST_F(WindowSliderTest, MasterSliderOnlyMovesItsReadoutUntilSend) {
    Connect();
    ClickOn("VScroll2", kTopArrow);
    ClickOn("VScroll2", kTopArrow);
    EXPECT_EQ(TextOf("Label12"), "2");
    LetTicksPass(4);
    EXPECT_TRUE(m_com1.Received().empty());

    Click("Command6");
    EXPECT_TRUE(Carries(m_com1, {109, 2, 255,                         //
                                 128, 2, 0,   0, 0, 0, 0, 0, 0, 255,  //
                                 128, 2, 2,   0, 0, 0, 0, 0, 0, 255,  //
                                 128, 2, 2,   2, 0, 0, 0, 0, 0, 255,  //
                                 128, 2, 2,   2, 2, 0, 0, 0, 0, 255,  //
                                 128, 2, 2,   2, 2, 2, 0, 0, 0, 255,  //
                                 128, 2, 2,   2, 2, 2, 2, 0, 0, 255,  //
                                 128, 2, 2,   2, 2, 2, 2, 2, 0, 255,  //
                                 128, 2, 2,   2, 2, 2, 2, 2, 2, 255}));
    for (int channel = 0; channel < 8; ++channel) {
        const QString index = QString::number(channel);
        EXPECT_EQ(TextOf("Label2_" + index), "2");
        auto* bar = Find<QScrollBar>("VScroll1_" + index);
        EXPECT_EQ(bar->value(), bar->maximum() - 2);
    }
}

// Assistive tools read a slider as the operator means it, though the scroll bar under it
// counts from the top, and set it by one keyboard move, made once their call has
// returned; whatever number they send is rounded into the slider's range.
TEST_F(WindowSliderTest, AssistiveToolsReadAndMoveTheLevelTheOperatorMeans) {
    struct Reading {
        const char* slider;
        int value;
        int minimum;
        int maximum;
    };
    for (const Reading& expected :
         {Reading{"VScroll1_3", 0, 0, 100}, Reading{"VScroll2", 0, 0, 100},
          Reading{"VScroll3", 128, 128, 158}}) {
        QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(Find(expected.slider));
        ASSERT_NE(slider->valueInterface(), nullptr) << expected.slider;
        EXPECT_EQ(slider->role(), QAccessible::Slider) << expected.slider;
        EXPECT_EQ(slider->valueInterface()->currentValue().toInt(), expected.value)
            << expected.slider;
        EXPECT_EQ(slider->valueInterface()->minimumValue().toInt(), expected.minimum)
            << expected.slider;
        EXPECT_EQ(slider->valueInterface()->maximumValue().toInt(), expected.maximum)
            << expected.slider;
    }

    Connect();
    struct Move {
        const char* slider;
        QVariant requested;
        int level;
        Bytes line;
    };
    const Move moves[] = {
        {"VScroll1_3", 40, 40, {128, 0, 0, 0, 40, 0, 0, 0, 0, 255}},
        {"VScroll1_3", 39.6, 40, {}},  // rounds to the level it has: nothing to send
        {"VScroll1_3", 250.0, 100, {128, 0, 0, 0, 100, 0, 0, 0, 0, 255}},
        {"VScroll1_3", -7.2, 0, {128, 0, 0, 0, 0, 0, 0, 0, 0, 255}},
        {"VScroll1_6", 12.5, 13, {128, 0, 0, 0, 0, 0, 0, 13, 0, 255}},
        {"VScroll1_6", std::nan(""), 13, {}},
        {"VScroll1_6", "loud", 13, {}},
        {"VScroll2", 55, 55, {}},  // the master level goes out on SEND only
        {"VScroll3", 130.4, 130, {130, 0, 0, 0, 0, 0, 0, 0, 0, 255}},  // PWM6 to 130's 0
        {"VScroll1_0", 7, 7, {130, 7, 0, 0, 0, 0, 0, 0, 0, 255}},
    };
    for (const Move& move : moves) {
        SCOPED_TRACE(std::string(move.slider) + " set to " +
                     move.requested.toString().toStdString());
        QAccessibleValueInterface* slider =
            QAccessible::queryAccessibleInterface(Find(move.slider))->valueInterface();
        const QVariant before = slider->currentValue();
        Forget(m_com1);
        slider->setCurrentValue(move.requested);
        EXPECT_EQ(slider->currentValue(), before) << "the move waits for the event loop";
        EXPECT_TRUE(Carries(m_com1, move.line));
        EXPECT_EQ(slider->currentValue().toInt(), move.level);
    }
    EXPECT_EQ(TextOf("Label12"), "55");
    EXPECT_EQ(TextOf("Text1"), "130");
    auto* bar = Find<QScrollBar>("VScroll1_0");
    EXPECT_EQ(bar->value(), bar->maximum() - 7) << "the thumb shows the move";
}

}  // namespace
}  // namespace dimrix::testing
