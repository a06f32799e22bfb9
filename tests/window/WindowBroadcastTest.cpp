#include <QRadioButton>
#include <QScrollBar>
#include <QtTest/QTest>
#include <utility>
#include <vector>

#include "WindowFixture.h"

namespace dimrix::testing {
namespace {

using WindowBroadcastTest = WindowFixture;

// What board 128 receives while a broadcast moves its eight sliders from 0 to `level`,
// one slider after the other.
Bytes SlidersRiseTo(std::uint8_t level) {
    Bytes frames;
    for (int moved = 1; moved <= 8; ++moved) {
        frames.push_back(128);
        for (int channel = 0; channel < 8; ++channel) {
            frames.push_back(channel < moved ? level : 0);
        }
        frames.push_back(255);
    }
    return frames;
}

TEST_F(WindowBroadcastTest, GoOpensTheChosenPortAtTheLineSettings) {
    Click("Option2");
    LetTicksPass(2);
    EXPECT_FALSE(m_com2.SlaveIsOpen()) << "the choice alone opens nothing";

    Click("Command1");
    ASSERT_TRUE(WaitUntil([this] { return m_com2.SlaveIsOpen(); }));
    EXPECT_FALSE(m_com1.SlaveIsOpen());
    EXPECT_EQ(TextOf("Command1"), "Online");
    const termios line = m_com2.SlaveAttributes();
    EXPECT_EQ(cfgetospeed(&line), B19200);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & PARENB, 0u);
    EXPECT_EQ(line.c_cflag & CSTOPB, 0u);

    // Level 10 is a line feed: it must reach the boards unchanged.
    Click("Command3");
    EXPECT_TRUE(Carries(m_com2, Join({{111, 255}, SlidersRiseTo(10)})));
    EXPECT_TRUE(m_com1.Received().empty());
}

TEST_F(WindowBroadcastTest, GoAgainMovesToTheOtherPortAndStaysOnline) {
    Connect();
    Click("Option2");
    Click("Command1");
    ASSERT_TRUE(WaitUntil([this] { return m_com2.SlaveIsOpen() && !m_com1.SlaveIsOpen(); }));
    EXPECT_EQ(TextOf("Command1"), "Online");
    EXPECT_TRUE(Find<QRadioButton>("Option2")->isChecked());
}

TEST_F(WindowBroadcastTest, AllFiftySendsItsCodeThenOneFramePerChangedSlider) {
    Connect();
    Click("Command4");
    EXPECT_TRUE(Carries(m_com1, {115, 255,                                   //
                                 128, 50,  0,  0,  0,  0,  0,  0,  0,  255,  //
                                 128, 50,  50, 0,  0,  0,  0,  0,  0,  255,  //
                                 128, 50,  50, 50, 0,  0,  0,  0,  0,  255,  //
                                 128, 50,  50, 50, 50, 0,  0,  0,  0,  255,  //
                                 128, 50,  50, 50, 50, 50, 0,  0,  0,  255,  //
                                 128, 50,  50, 50, 50, 50, 50, 0,  0,  255,  //
                                 128, 50,  50, 50, 50, 50, 50, 50, 0,  255,  //
                                 128, 50,  50, 50, 50, 50, 50, 50, 50, 255}));
    for (int channel = 0; channel < 8; ++channel) {
        const QString index = QString::number(channel);
        EXPECT_EQ(TextOf("Label2_" + index), "50");
        auto* bar = Find<QScrollBar>("VScroll1_" + index);
        EXPECT_EQ(bar->value(), bar->maximum() - 50);
    }

    // Sliders already at the level send nothing more.
    Forget(m_com1);
    Click("Command4");
    EXPECT_TRUE(Carries(m_com1, {115, 255}));
}

TEST_F(WindowBroadcastTest, EveryPresetSendsItsOwnCodeAndLevel) {
    Connect();
    const std::vector<std::pair<const char*, std::pair<std::uint8_t, std::uint8_t>>> presets{
        {"Command3", {111, 10}}, {"Command7", {113, 30}},  {"Command4", {115, 50}},
        {"Command8", {117, 70}}, {"Command5", {120, 100}},
    };
    for (const auto& [button, codeAndLevel] : presets) {
        Click("Command2");  // all off first, so every slider moves again
        Forget(m_com1);
        const auto [code, level] = codeAndLevel;
        Click(button);
        EXPECT_TRUE(Carries(m_com1, Join({{code, 255}, SlidersRiseTo(level)}))) << button;
    }
}

TEST_F(WindowBroadcastTest, AllOffWithEverySliderAtZeroSendsOnlyItsCode) {
    Connect();
    Click("Command2");
    EXPECT_TRUE(Carries(m_com1, {110, 255}));
}

}  // namespace
}  // namespace dimrix::testing
