#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PanelFixture.h"

namespace dimrix::testing {
namespace {

using RefreshTest = PanelFixture;

// Every board's frame, 128 to 158, each with its eight levels as given.
std::vector<int> Burst(const std::vector<std::vector<int>>& levelsByBoard) {
    std::vector<int> stream;
    for (int board = 128; board <= 158; ++board) {
        stream.push_back(board);
        const auto& levels = levelsByBoard[static_cast<std::size_t>(board - 128)];
        stream.insert(stream.end(), levels.begin(), levels.end());
        stream.push_back(255);
    }
    return stream;
}

TEST_F(RefreshTest, StartStateBurstIsThirtyOneZeroFramesInAddressOrder) {
    Connect();
    model.Timer1_Timer();
    EXPECT_EQ(log.bytes.size(), 310u);
    EXPECT_EQ(Sent(), Burst(std::vector<std::vector<int>>(31, std::vector<int>(8, 0))));
}

TEST_F(RefreshTest, AfterAll30EveryBoardGetsThirties) {
    Connect();
    model.Command7_Click();
    Forget();
    model.Timer1_Timer();
    EXPECT_EQ(Sent(), Burst(std::vector<std::vector<int>>(31, std::vector<int>(8, 30))));
}

TEST_F(RefreshTest, SelectedBoardGoesOutWithItsLiveSliders) {
    Connect();
    model.VScroll3().SetValue(130);
    SetLevels({1, 2, 3, 4, 5, 6, 7, 8});
    Forget();
    model.Timer1_Timer();
    std::vector<std::vector<int>> expected(31, std::vector<int>(8, 0));
    expected[2] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(Sent(), Burst(expected));
    EXPECT_EQ(StoredLevels(130), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(RefreshTest, ClosedPortStoresTheSlidersThenReportsOnce) {
    SetLevels({9});
    Forget();
    model.Timer1_Timer();
    EXPECT_EQ(StoredLevels(128), (std::vector<int>{9, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kOpenPortFirst});
    EXPECT_TRUE(log.bytes.empty());
}

TEST_F(RefreshTest, FailureMidBurstStopsAtTheFailingByteWithOneReport) {
    Connect();
    log.failWriteAfter = 25;
    log.failWriteWith = 8020;
    model.Timer1_Timer();
    EXPECT_EQ(log.bytes.size(), 25u);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error number: 8020"});
}

}  // namespace
}  // namespace dimrix::testing
