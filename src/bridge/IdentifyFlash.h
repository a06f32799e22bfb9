#pragma once

#include <chrono>
#include <optional>

#include "bridge/LineLevels.h"
#include "protocol/Protocol.h"

namespace dimrix::bridge {

// Flashes one board of a line so that an installer can find it on a truss: its eight
// channels at 100 % and 0 % in turn, 250 ms each, for 5 s. It acts on what the line
// carries, after the merge of the sources and above every one of them; once over, the
// board shows what the merge gives it again. One board of a line at a time: flashing
// another ends the first.
class IdentifyFlash {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    static constexpr std::chrono::milliseconds kHalfPeriod{250};
    static constexpr std::chrono::milliseconds kDuration{5000};

    void Start(protocol::Address board, TimePoint now);

    // Whether a board flashes at `now`.
    [[nodiscard]] bool Active(TimePoint now) const { return m_board && now < m_end; }
    [[nodiscard]] std::optional<protocol::Address> Board(TimePoint now) const;
    [[nodiscard]] double SecondsLeft(TimePoint now) const;
    // What the line carries at `now`: `merged`, with the flashing board over it.
    [[nodiscard]] LineLevels Over(const LineLevels& merged, TimePoint now) const;
    // When the line's levels change next by the flash alone: the next half period, or its
    // end; nothing once it is over.
    [[nodiscard]] std::optional<TimePoint> NextChange(TimePoint now) const;

private:
    std::optional<protocol::Address> m_board;
    TimePoint m_start{};
    TimePoint m_end{};
};

}  // namespace dimrix::bridge
