#pragma once

#include <array>
#include <bitset>
#include <chrono>
#include <cstddef>
#include <optional>
#include <span>

#include "bridge/LineLevels.h"
#include "protocol/Frames.h"
#include "protocol/Protocol.h"
#include "serial/FrameSource.h"

namespace dimrix::bridge {

// Decides what one serial line carries, given the levels its boards should show.
//
// The line carries 192 board frames a second, far fewer than a console's changes, so a
// frame is chosen only when the driver has room for it: it always carries the newest
// levels, and a change never waits behind more than the frame on the wire. Changed boards
// go first, in the order they changed (a board changed again keeps its place), so none
// starves under full churn. One level on every channel goes as one broadcast. In spare
// time each board is sent again about once a second, so a board that lost power is back
// within about a second.
//
// It is the line's frame source (serial::FrameSource): each frame is chosen when the line
// asks, and goes whole.
class LineScheduler : public serial::FrameSource {
public:
    static constexpr std::chrono::seconds kRefreshPeriod{1};

    LineScheduler();

    // The levels the boards should show from now on. Nothing is sent before the first.
    void SetDesired(const LineLevels& levels);
    // Sends every board's levels again, before any other change (the device is back and
    // its boards may have lost theirs).
    void ResendAll();
    // Forgets what the boards hold (the device is gone); ResendAll once it is back.
    void Clear();

    // The next frame, if it fits in `out`; nothing before the first levels. A line is to
    // ask again after every SetDesired and ResendAll.
    std::size_t TakeFrame(std::span<protocol::Byte> out, TimePoint now) override;
    // The size of the frame that goes next, while a change or a refresh is due.
    [[nodiscard]] std::size_t NextSize(TimePoint now) const override;
    // The changes not yet taken, a frame for each board: refreshes do not count.
    [[nodiscard]] std::size_t Backlog() const override;
    // The next refresh.
    [[nodiscard]] std::optional<TimePoint> DueAt() const override;

    [[nodiscard]] bool HasDesired() const { return m_hasDesired; }
    // Every change has been taken; only refreshes would follow.
    [[nodiscard]] bool Settled() const { return !Pending(); }
    [[nodiscard]] std::size_t FramesSent() const { return m_framesSent; }
    [[nodiscard]] std::size_t BytesSent() const { return m_bytesSent; }
    [[nodiscard]] std::size_t Refreshes() const { return m_refreshes; }
    // The levels as the line last carried them: what the boards hold once every frame
    // taken so far has arrived.
    [[nodiscard]] const LineLevels& Carried() const { return m_onLine; }
    // The boards whose newest levels have not been taken yet.
    [[nodiscard]] std::bitset<protocol::kAddressCount> PendingBoards() const;

private:
    // One frame of any kind, as it goes on the wire.
    struct Frame {
        std::array<protocol::Byte, protocol::kAddressFrameSize> bytes{};
        std::size_t size = 0;
    };
    using Board = std::size_t;

    // The frame to send next if it fits in `room` bytes, taken as sent.
    std::optional<Frame> Next(std::size_t room, TimePoint now);
    std::optional<Frame> Broadcast(std::size_t room, TimePoint now);
    std::optional<Frame> BoardFrame(Board board, std::size_t room, TimePoint now);
    // The size of the frame that goes next, change or refresh.
    [[nodiscard]] std::size_t FrameSize() const;
    [[nodiscard]] bool Pending() const { return m_broadcastDue || m_dirtyCount > 0; }
    [[nodiscard]] bool Uniform() const;
    [[nodiscard]] bool Differs(Board board) const;
    [[nodiscard]] TimePoint RefreshDue() const;
    void MarkDirty(Board board);
    void ClearDirty();

    LineLevels m_desired{};
    // What the boards hold once everything handed to the driver has arrived.
    LineLevels m_onLine{};
    bool m_hasDesired = false;
    // Boards whose levels go again even if they seem to hold them (unknown after start or
    // a device's return).
    std::bitset<protocol::kAddressCount> m_forced;
    bool m_broadcastDue = false;
    // Changed boards in the order they changed, as a ring.
    std::array<Board, protocol::kAddressCount> m_dirty{};
    std::size_t m_dirtyHead = 0;
    std::size_t m_dirtyCount = 0;
    std::bitset<protocol::kAddressCount> m_isDirty;
    std::array<TimePoint, protocol::kAddressCount> m_lastSent{};
    std::size_t m_framesSent = 0;
    std::size_t m_bytesSent = 0;
    std::size_t m_refreshes = 0;
};

}  // namespace dimrix::bridge
