#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PanelFixture.h"

namespace dimrix::testing {
namespace {

using panel::FadeMode;

using AddressTest = PanelFixture;

TEST_F(AddressTest, FirstStepFromTheStartStateStoresZerosAndSendsNothing) {
    Connect();
    model.VScroll3().SetValue(129);
    EXPECT_EQ(model.Text1(), "129");
    EXPECT_EQ(StoredLevels(128), std::vector<int>(8, 0));
    EXPECT_TRUE(log.bytes.empty());
    EXPECT_TRUE(listener.messages.empty());
}

TEST_F(AddressTest, RoundTripParksAndRestoresEachBoardsLevels) {
    Connect();
    model.VScroll1(0).SetValue(60);
    Forget();

    model.VScroll3().SetValue(129);
    EXPECT_EQ(StoredLevels(128), (std::vector<int>{60, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Sent(), (std::vector<int>{129, 0, 0, 0, 0, 0, 0, 0, 0, 255}));

    Forget();
    model.VScroll3().SetValue(128);
    EXPECT_EQ(StoredLevels(129), std::vector<int>(8, 0));
    EXPECT_EQ(Sent(), (std::vector<int>{128, 60, 0, 0, 0, 0, 0, 0, 0, 255}));
    EXPECT_EQ(model.Label2(0), "60");
}

// Sliders load one by one; each frame shows the new board the sliders as they stand,
// so channels not yet loaded still carry the levels of the board just left.
TEST_F(AddressTest, FramesDuringASwitchCarryTheSlidersAsTheyStand) {
    Connect();
    model.VScroll3().SetValue(129);
    SetLevels({10, 20});
    model.VScroll3().SetValue(128);
    SetLevels({0, 5, 7});
    Forget();

    model.VScroll3().SetValue(129);
    EXPECT_EQ(Sent(), Stream({{129, 10, 5, 7, 0, 0, 0, 0, 0, 255},
                              {129, 10, 20, 7, 0, 0, 0, 0, 0, 255},
                              {129, 10, 20, 0, 0, 0, 0, 0, 0, 255}}));
}

TEST_F(AddressTest, ChangeClearsTheLeftBoardsFadesScrollKeepsThem) {
    Connect();
    model.Command9_Click(2);
    model.Timer2_Timer();

    model.VScroll3().SetValue(129);
    EXPECT_EQ(model.Fades().At(128, 2), FadeMode::None);
    EXPECT_EQ(model.FadeUpOn(2), 1);  // flags belong to the channel, not the board

    model.VScroll3().SetValue(128);
    model.Command9_Click(2);  // flag on, so this switches the fade off
    model.Command9_Click(2);  // and on again
    model.VScroll3().DragTo(129);
    EXPECT_EQ(model.Fades().At(128, 2), FadeMode::Up);
    Forget();
    model.Timer2_Timer();  // board 129 has nothing fading
    EXPECT_TRUE(log.bytes.empty());

    model.VScroll3().DragTo(128);
    Forget();
    model.Timer2_Timer();
    EXPECT_EQ(Sent(), (std::vector<int>{128, 0, 0, 2, 0, 0, 0, 0, 0, 255}));
}

TEST_F(AddressTest, ChangeOnTheSameBoardStoresClearsAndSendsNothing) {
    Connect();
    SetLevels({4, 0, 0, 9});
    model.Command10_Click(3);
    Forget();
    model.VScroll3_Change();
    EXPECT_EQ(StoredLevels(128), (std::vector<int>{4, 0, 0, 9, 0, 0, 0, 0}));
    EXPECT_EQ(model.Fades().At(128, 3), FadeMode::None);
    EXPECT_TRUE(log.bytes.empty());
    EXPECT_EQ(model.Text1(), "128");
}

TEST_F(AddressTest, ReleasingADragIsAChange) {
    Connect();
    model.Command9_Click(0);
    model.VScroll3().DragTo(130);
    model.VScroll3().DragTo(131);
    EXPECT_EQ(model.Text1(), "131");
    EXPECT_EQ(model.Fades().At(128, 0), FadeMode::Up);
    model.VScroll3().EndDrag();
    EXPECT_EQ(model.Text1(), "131");
    EXPECT_EQ(model.Fades().At(128, 0), FadeMode::Up);  // left by a Scroll, not a Change
}

TEST_F(AddressTest, ClosedPortReportsOncePerChangedSliderAndTheSwitchCompletes) {
    Connect();
    model.Command7_Click();  // every board stored at 30, sliders at 30
    model.VScroll3().SetValue(129);
    SetLevels({1, 30, 2});  // board 129 now differs from 130's stored 30s in two channels
    model.Form_Unload();
    Forget();

    model.VScroll3().SetValue(130);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>(2, kOpenPortFirst));
    EXPECT_EQ(model.Text1(), "130");
    EXPECT_EQ(Levels(), std::vector<int>(8, 30));
    EXPECT_EQ(StoredLevels(129), (std::vector<int>{1, 30, 2, 30, 30, 30, 30, 30}));
    EXPECT_TRUE(log.bytes.empty());
}

}  // namespace
}  // namespace dimrix::testing
