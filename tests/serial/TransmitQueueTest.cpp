#include "serial/TransmitQueue.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "serial/LinkError.h"

namespace dimrix::serial {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

constexpr std::size_t kWholeQueue = 4096;

Bytes Board(std::uint8_t address, std::uint8_t level) {
    return {address, level, level, level, level, level, level, level, level, 255};
}

Bytes Join(std::initializer_list<Bytes> frames) {
    Bytes bytes;
    for (const Bytes& frame : frames) {
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

// The queue with a hand-driven clock and a driver that takes what it is offered.
class TransmitQueueTest : public ::testing::Test {
protected:
    void Push(const Bytes& bytes) {
        for (const std::uint8_t value : bytes) {
            m_queue.Push(value, m_now);
        }
    }
    // The driver takes up to `allowance` bytes.
    void Take(std::size_t allowance) {
        std::vector<std::uint8_t> chunk(allowance);
        const std::size_t due = m_queue.Due(allowance, chunk);
        m_sent.insert(m_sent.end(), chunk.begin(), chunk.begin() + static_cast<long>(due));
        m_queue.Consume(due, m_now);
    }
    void Advance(milliseconds step) { m_now += step; }
    // What the driver took, with everything still queued after it.
    Bytes Drained() {
        Take(kWholeQueue);
        return m_sent;
    }

    TransmitQueue m_queue{kBoardLineSettings};
    TransmitQueue::TimePoint m_now{};
    Bytes m_sent;
};

TEST_F(TransmitQueueTest, LineThatKeepsUpGetsEveryByteAsQueued) {
    // SEND from zero: the master frame and eight slider frames, 83 bytes.
    Bytes send{109, 60, 255};
    Bytes refresh;
    for (std::uint8_t step = 1; step <= 8; ++step) {
        Bytes frame{128, 0, 0, 0, 0, 0, 0, 0, 0, 255};
        std::fill_n(frame.begin() + 1, step, 60);
        send.insert(send.end(), frame.begin(), frame.end());
    }
    Push(send);
    EXPECT_FALSE(m_queue.Overrun(m_now));
    EXPECT_EQ(Drained(), send);

    // The 310-byte refresh overruns the line, but no board's frame makes another's
    // pointless: it stays whole.
    m_sent.clear();
    for (std::uint8_t address = 128; address <= 158; ++address) {
        const Bytes frame = Board(address, address == 128 ? 60 : 0);
        refresh.insert(refresh.end(), frame.begin(), frame.end());
    }
    Push(refresh);
    EXPECT_TRUE(m_queue.Overrun(m_now));
    EXPECT_EQ(Drained(), refresh);
}

TEST_F(TransmitQueueTest, OverrunDropsOnlyFramesANewerOneMakesPointless) {
    // 25 frames for board 128 and one for 130 in between: well over 192 bytes waiting.
    for (std::uint8_t level = 1; level <= 20; ++level) {
        Push(Board(128, level));
    }
    Push(Board(130, 5));
    for (std::uint8_t level = 21; level <= 25; ++level) {
        Push(Board(128, level));
    }
    EXPECT_TRUE(m_queue.Overrun(m_now));
    EXPECT_EQ(Drained(), Join({Board(130, 5), Board(128, 25)}));
}

TEST_F(TransmitQueueTest, BroadcastMakesEveryWaitingFrameAndBroadcastPointless) {
    for (std::uint8_t address = 128; address <= 150; ++address) {
        Push(Board(address, 40));
    }
    Push({109, 70, 255});
    Push(Board(131, 9));
    Push({110, 255});  // All OFF
    EXPECT_EQ(Drained(), (Bytes{110, 255}));
}

TEST_F(TransmitQueueTest, FrameTheDriverHasBegunIsNeverCut) {
    Push({128, 1, 1, 1});
    Take(4);  // the driver takes what there is of a frame still being queued
    Push({1, 1, 1, 1, 1, 255});
    for (std::uint8_t level = 2; level <= 30; ++level) {
        Push(Board(128, level));
    }
    EXPECT_EQ(Drained(), Join({Board(128, 1), Board(128, 30)}));
}

TEST_F(TransmitQueueTest, FrameCutShortIsNeverDroppedNorDropsAnother) {
    for (std::uint8_t level = 1; level <= 20; ++level) {
        Push(Board(129, level));
    }
    const Bytes torn{129, 7, 7};  // a send failed after three bytes
    const Bytes tooShort{128, 3, 3, 3, 255};
    Push(torn);
    Push(Board(130, 1));
    Push(tooShort);
    Push(Board(131, 2));
    EXPECT_EQ(Drained(), Join({Board(129, 20), torn, Board(130, 1), tooShort, Board(131, 2)}));
}

TEST_F(TransmitQueueTest, WholeFramesWaitForRoomWhileBegunOnesGoInParts) {
    Push(Board(128, 1));
    Push(Board(129, 2));
    Take(13);  // the first frame whole; the second does not fit in the 3 left
    EXPECT_EQ(m_sent, Board(128, 1));
    Push({130, 4});  // still being queued: goes as far as there is room
    Take(10);
    Take(2);
    EXPECT_EQ(m_sent, Join({Board(128, 1), Board(129, 2), {130, 4}}));
}

TEST_F(TransmitQueueTest, OverrunLastsUntilTheQueueHasStayedEmptyForAWhile) {
    for (std::uint8_t level = 1; level <= 20; ++level) {
        Push(Board(128, level));
    }
    ASSERT_TRUE(m_queue.Overrun(m_now));
    Take(kWholeQueue);
    Advance(milliseconds(99));
    EXPECT_TRUE(m_queue.Overrun(m_now)) << "a pause between fade ticks ends nothing";
    // Still overrun: of two frames for one board queued now, only the newer goes.
    m_sent.clear();
    Push(Board(128, 40));
    Push(Board(128, 41));
    EXPECT_EQ(Drained(), Board(128, 41));

    m_sent.clear();
    Advance(milliseconds(100));
    EXPECT_FALSE(m_queue.Overrun(m_now));
    Push(Board(128, 50));
    Push(Board(128, 51));
    EXPECT_EQ(Drained(), Join({Board(128, 50), Board(128, 51)}));
}

TEST_F(TransmitQueueTest, ADriverThatClaimsMoreThanWaitsIsAFaultThatCostsNothing) {
    const Bytes frame = Board(130, 7);
    Push(frame);
    try {
        m_queue.Consume(frame.size() + 1, m_now);
        ADD_FAILURE() << "a count beyond the queue was taken";
    } catch (const LinkError& error) {
        EXPECT_EQ(error.Number(), 8020);
    }
    EXPECT_EQ(Drained(), frame);
}

TEST(TransmitQueueLineTest, TheOverrunMarkIsATenthOfASecondOfTheLine) {
    // Ten frames, 100 bytes: more than a tenth of a second at 9600 baud (96 bytes), less
    // than one at 19200 (192 bytes).
    const std::pair<LineSettings, bool> cases[] = {
        {LineSettings{9600, 'N', 8, 1}, true},
        {LineSettings{19200, 'N', 8, 1}, false},
    };
    for (const auto& [settings, overrun] : cases) {
        TransmitQueue queue(settings);
        const TransmitQueue::TimePoint now{};
        for (std::uint8_t step = 0; step < 10; ++step) {
            for (const std::uint8_t value : Board(static_cast<std::uint8_t>(128 + step), 1)) {
                queue.Push(value, now);
            }
        }
        EXPECT_EQ(queue.Overrun(now), overrun) << settings.Text();
    }
}

}  // namespace
}  // namespace dimrix::serial
