#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "TimedPort.h"
#include "WireReader.h"
#include "protocol/LineDecoder.h"

namespace dimrix::bench {

/// How far the boards trail the panel: every state the panel's frames put the boards in,
/// as handed to the port, and every state the bytes read at the far end put them in, each
/// matched to the panel frame it came from (the same state, later than the last match).
/// A frame the port dropped as stale simply has no match.
class BoardTrail {
public:
    using Clock = WireReader::Clock;
    using Boards = protocol::LineDecoder::Boards;

    /// One step of the panel: a burst of frames handed over together (a fade tick moves
    /// all its sliders at once, each sending its frame), ending in the state it leaves.
    struct Step {
        std::size_t frame = 0;  ///< index of the burst's last frame among the panel's
        Clock::time_point at;   ///< when that frame's last byte was handed over
    };

    /// The frames of one tick go within microseconds; ticks are 25 ms apart.
    static constexpr std::chrono::milliseconds kStepGap{5};

    /// Judges everything in `writes` against everything `reader` has read.
    BoardTrail(const WriteLog& writes, const WireReader& reader);

    [[nodiscard]] const std::vector<Step>& Steps() const { return m_steps; }
    /// When the boards first held this step's state or a later one of the panel's;
    /// nothing if they never did.
    [[nodiscard]] std::optional<Clock::time_point> Reached(const Step& step) const;
    /// When the boards first skipped a state the panel had set, which the port drops only
    /// once the line is overrun.
    [[nodiscard]] std::optional<Clock::time_point> FirstSkip() const { return m_firstSkip; }

    /// Panel frames that never reached the boards: dropped as stale.
    [[nodiscard]] std::size_t FramesDropped() const {
        return m_panelStates.size() - m_matched.size();
    }
    [[nodiscard]] const Boards& PanelEnd() const { return m_panelEnd; }
    /// Torn frames, states the panel never set, an end elsewhere than the panel's; empty
    /// if nothing is wrong.
    [[nodiscard]] const std::string& Faults() const { return m_faults; }

private:
    struct Arrival {
        std::size_t frame = 0;  // the panel frame it matched
        Clock::time_point at;   // when its last byte was read
    };

    std::vector<Boards> m_panelStates;
    std::vector<Arrival> m_matched;
    std::vector<Step> m_steps;
    std::optional<Clock::time_point> m_firstSkip;
    Boards m_panelEnd{};
    std::string m_faults;
};

}  // namespace dimrix::bench
