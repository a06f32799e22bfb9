#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest/QTest>

#include "WindowFixture.h"

namespace dimrix::testing {
namespace {

using WindowFadeTest = WindowFixture;

TEST_F(WindowFadeTest, FadeUpClimbsToFullOneStepPerTickThenStops) {
    Connect();
    QElapsedTimer clock;
    clock.start();
    Click("Command9_0");

    Bytes expected;
    for (int level = 1; level <= 100; ++level) {
        const Bytes frame{128, static_cast<std::uint8_t>(level), 0, 0, 0, 0, 0, 0, 0, 255};
        expected.insert(expected.end(), frame.begin(), frame.end());
    }
    ASSERT_TRUE(WaitUntil([&] { return m_com1.Received().size() >= expected.size(); }));
    // A hundred steps of 25 ms: the fade runs on the timer, not all at once.
    EXPECT_GE(clock.elapsed(), 99 * 25 - 25);
    EXPECT_TRUE(Carries(m_com1, expected)) << "and nothing after the top is reached";
    EXPECT_EQ(TextOf("Label2_0"), "100");
    auto* bar = Find<QScrollBar>("VScroll1_0");
    EXPECT_EQ(bar->value(), bar->minimum());
}

TEST_F(WindowFadeTest, FadeButtonPressedTwiceBeforeATickSendsNothing) {
    Connect();
    Click("Command9_4");
    Click("Command9_4");
    EXPECT_TRUE(Carries(m_com1, {}));
}

TEST_F(WindowFadeTest, FadeDownFromAPresetStepsToZero) {
    Connect();
    Click("Command3");
    Forget(m_com1);
    Click("Command10_7");
    Bytes expected;
    for (int level = 9; level >= 0; --level) {
        const Bytes frame{128, 10, 10, 10, 10, 10, 10, 10, static_cast<std::uint8_t>(level), 255};
        expected.insert(expected.end(), frame.begin(), frame.end());
    }
    EXPECT_TRUE(Carries(m_com1, expected));
    EXPECT_EQ(TextOf("Label2_7"), "0");
}

TEST_F(WindowFadeTest, AddressSliderSwitchesBoardsAndRestoresTheirLevels) {
    Connect();
    auto* channel0 = Find<QScrollBar>("VScroll1_0");
    channel0->setFocus();
    QTest::keyClick(channel0, Qt::Key_Up);
    QTest::keyClick(channel0, Qt::Key_Up);
    QTest::keyClick(channel0, Qt::Key_Up);

    ClickOn("VScroll3", QStyle::SC_ScrollBarSubLine);  // up: the next board
    EXPECT_EQ(TextOf("Text1"), "129");
    EXPECT_EQ(TextOf("Label2_0"), "0");
    ClickOn("VScroll3", QStyle::SC_ScrollBarAddLine);  // down: back to the first
    EXPECT_EQ(TextOf("Text1"), "128");
    EXPECT_EQ(TextOf("Label2_0"), "3");
    auto* address = Find<QScrollBar>("VScroll3");
    EXPECT_EQ(address->value(), address->maximum());

    EXPECT_TRUE(Carries(m_com1, {128, 1, 0, 0, 0, 0, 0, 0, 0, 255,  //
                                 128, 2, 0, 0, 0, 0, 0, 0, 0, 255,  //
                                 128, 3, 0, 0, 0, 0, 0, 0, 0, 255,  //
                                 129, 0, 0, 0, 0, 0, 0, 0, 0, 255,  //
                                 128, 3, 0, 0, 0, 0, 0, 0, 0, 255}));
}

TEST_F(WindowFadeTest, SwitchingToABoardWithTheSameLevelsSendsNothing) {
    Connect();
    ClickOn("VScroll3", QStyle::SC_ScrollBarSubLine);
    ClickOn("VScroll3", QStyle::SC_ScrollBarSubLine);
    EXPECT_EQ(TextOf("Text1"), "130");
    EXPECT_TRUE(Carries(m_com1, {}));
}

}  // namespace
}  // namespace dimrix::testing
