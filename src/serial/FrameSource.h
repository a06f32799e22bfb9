#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>

#include "protocol/Protocol.h"

namespace dimrix::serial {

// What a program puts on the line, asked for a frame whenever the line has room for one:
// deciding as late as that is what lets a newer command go next instead of waiting
// behind frames already made stale. The panel's transmit queue and the bridge's line
// scheduler are two; Transmitter asks them.
class FrameSource {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    virtual ~FrameSource() = default;

    // The bytes due next, at most `out.size()` of them, written to `out`; they count as
    // sent from then on. 0 when nothing is due or what is due does not fit.
    virtual std::size_t TakeFrame(std::span<protocol::Byte> out, TimePoint now) = 0;
    // How much room the line needs before TakeFrame gives anything; 0 while nothing is due.
    [[nodiscard]] virtual std::size_t NextSize(TimePoint now) const = 0;
    // Bytes it still holds for the line: what a stop has to let out before the device goes.
    [[nodiscard]] virtual std::size_t Backlog() const = 0;
    // When something falls due by itself (a refresh); nothing when only the owner's next
    // change brings more.
    [[nodiscard]] virtual std::optional<TimePoint> DueAt() const { return std::nullopt; }

protected:
    FrameSource() = default;
    FrameSource(const FrameSource&) = default;
    FrameSource& operator=(const FrameSource&) = default;
};

}  // namespace dimrix::serial
