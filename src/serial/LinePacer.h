#pragma once

#include <chrono>
#include <cstddef>

#include "protocol/Frames.h"
#include "serial/LineSettings.h"

namespace dimrix::serial {

// A clock of the wire: how much of what the driver was handed is still waiting to go
// out, worked out from when it was handed and how fast the line carries bytes.
//
// The driver is handed only about a frame's worth more than the line is sending, so a
// byte the program wants to send next (a panic "All OFF") never waits behind a backlog
// in the driver, where nothing can reorder or drop it. A pseudo-terminal takes bytes at
// once and says it holds none, and a USB adapter may say less than it holds; the wire
// clock is what keeps the pace honest there, and where the system does report a larger
// backlog, that one counts.
class LinePacer {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Duration = std::chrono::nanoseconds;

    // Hand more once the driver is down to this; about 1.5 ms of line at 19200 baud,
    // enough for a timer that fires a little late.
    static constexpr std::size_t kRefillMark = 3;
    // What the driver may hold: a full address frame and the last few bytes of the one
    // before it, so the line never runs dry between two hand-overs.
    static constexpr std::size_t kDriverTarget = protocol::kAddressFrameSize + kRefillMark;

    explicit LinePacer(const LineSettings& settings);

    // Bytes the driver may be handed now, given what the system says it still holds.
    [[nodiscard]] std::size_t Room(TimePoint now, std::size_t driverHolds) const;
    // `count` bytes reached the driver at `now`.
    void Handed(std::size_t count, TimePoint now);
    // When the driver, holding `driverHolds` by the system's count, will have room for
    // `size` bytes; a whole address frame once it is down to the refill mark.
    [[nodiscard]] TimePoint FitTime(TimePoint now, std::size_t driverHolds, std::size_t size) const;
    // When the line will have sent everything handed so far, by the wire clock.
    [[nodiscard]] TimePoint IdleTime() const { return m_lineFreeAt; }
    // Line time of one byte.
    [[nodiscard]] Duration ByteTime() const { return m_byteTime; }

private:
    [[nodiscard]] std::size_t Held(TimePoint now, std::size_t driverHolds) const;

    Duration m_byteTime{};
    TimePoint m_lineFreeAt{};
};

}  // namespace dimrix::serial
