#pragma once

#include <bitset>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

#include "monitor/MonitorListener.h"
#include "monitor/RateWindow.h"
#include "protocol/LineDecoder.h"

namespace dimrix::monitor {

// What the monitor has seen on the line, by kind.
struct LineCounts {
    std::uint64_t address = 0;
    std::uint64_t preset = 0;
    std::uint64_t master = 0;
    // Torn or out-of-place units, as LineDecoder counts them.
    std::uint64_t malformed = 0;
    std::uint64_t bytes = 0;

    [[nodiscard]] std::uint64_t Frames() const { return address + preset + master; }

    friend bool operator==(const LineCounts&, const LineCounts&) = default;
};

// The line as the boards read it, and how busy it is: the state behind the monitor's
// window and its text mode. Time is always handed in, so nothing here reads a clock.
class LineMonitor : private protocol::DecodeListener {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    // One bit per board, address kFirstAddress first.
    using BoardSet = std::bitset<protocol::kAddressCount>;

    // How long the board a frame went to stays marked.
    static constexpr std::chrono::milliseconds kMarkTime{600};

    // `capacity`: the bytes per second the line carries at most, which the load is
    // measured against.
    LineMonitor(TimePoint start, std::int32_t capacity);
    ~LineMonitor() override = default;
    LineMonitor(const LineMonitor&) = delete;
    LineMonitor& operator=(const LineMonitor&) = delete;

    // `listener` is told of every frame read from now on; null for none.
    void SetListener(MonitorListener* listener) { m_listener = listener; }

    // Bytes that arrived at `now`, in line order; a frame may span several reads.
    void Read(std::span<const protocol::Byte> bytes, TimePoint now);

    [[nodiscard]] const protocol::LineDecoder::Boards& Boards() const { return m_decoder.State(); }
    [[nodiscard]] const LineCounts& Counts() const { return m_counts; }
    // Bytes per second the line carries at most.
    [[nodiscard]] std::int32_t Capacity() const { return m_capacity; }
    [[nodiscard]] std::uint64_t BytesPerSecond(TimePoint now) const;
    [[nodiscard]] std::uint64_t FramesPerSecond(TimePoint now) const;
    // BytesPerSecond against Capacity, in whole per cent.
    [[nodiscard]] std::uint64_t LoadPercent(TimePoint now) const;
    // The board the last address frame went to, while it is marked.
    [[nodiscard]] std::optional<protocol::Address> MarkedBoard(TimePoint now) const;
    // Nothing before the first byte.
    [[nodiscard]] std::optional<Clock::duration> SinceLastByte(TimePoint now) const;

    // The boards whose levels or mark changed since the last call: what a view repaints.
    // The first call returns every board.
    [[nodiscard]] BoardSet TakeChanged(TimePoint now);
    // The marked board as the last TakeChanged saw it, so that a view paints the mark it
    // was told to repaint.
    [[nodiscard]] std::optional<protocol::Address> ShownMark() const { return m_shownMark; }

private:
    void OnFrame(const protocol::DecodedFrame& frame) override;
    void OnMalformed(std::span<const protocol::Byte> bytes, protocol::Malformation why) override;

    TimePoint m_start;
    std::int32_t m_capacity = 0;
    MonitorListener* m_listener = nullptr;
    protocol::LineDecoder m_decoder{this};
    LineCounts m_counts;
    RateWindow m_bytesRate;
    RateWindow m_framesRate;
    // The time of the read being decoded, for the listener.
    TimePoint m_now;
    std::optional<TimePoint> m_lastByte;
    std::optional<protocol::Address> m_lastBoard;
    TimePoint m_lastBoardAt;
    // What TakeChanged last handed out.
    std::optional<protocol::LineDecoder::Boards> m_shown;
    std::optional<protocol::Address> m_shownMark;
};

}  // namespace dimrix::monitor
