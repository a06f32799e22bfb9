#pragma once

/// @file
/// One vertical scroll bar of the panel, without any widget behind it.

#include <functional>

#include "protocol/Protocol.h"

namespace dimrix::panel {

/// Which notification a slider raises.
enum class SliderEvent {
    Change,  ///< the value was assigned, stepped, or a drag ended
    Scroll,  ///< the thumb is being dragged; the value is already updated
};

/// A scroll bar's Min (top end), Max (bottom end) and Value.
///
/// Notifications are synchronous: the handler runs before the setter returns, and may
/// itself assign other sliders, which nests their notifications inside this one. The
/// panel relies on this: broadcasts, board switches and fade steps only move sliders,
/// and the channel sliders' own handler does the sending.
class SliderModel {
public:
    using Level = protocol::Level;
    using Handler = std::function<void(SliderEvent)>;

    /// @throws std::out_of_range if value lies outside min..max.
    SliderModel(Level min, Level max, Level value);

    /// Value at the top end of the track (the larger value on every panel slider).
    [[nodiscard]] Level Min() const { return m_min; }
    /// Value at the bottom end of the track.
    [[nodiscard]] Level Max() const { return m_max; }
    [[nodiscard]] Level Value() const { return m_value; }
    /// Whether value lies between Min and Max inclusive.
    [[nodiscard]] bool InRange(Level value) const;

    /// Assignment by the program, or an arrow, track or key step by the operator: a
    /// different value is stored and raises Change; the same value does nothing.
    /// @throws std::out_of_range if value is not InRange.
    void SetValue(Level value);
    /// The operator dragged the thumb to a new position: stores it and raises Scroll.
    /// @throws std::out_of_range if value is not InRange.
    void DragTo(Level value);
    /// The operator let go of the thumb: raises Change if a drag was under way.
    void EndDrag();

    /// The one receiver of this slider's notifications.
    void SetHandler(Handler handler) { m_handler = std::move(handler); }

private:
    void CheckRange(Level value) const;
    void Raise(SliderEvent event);

    Level m_min = 0;
    Level m_max = 0;
    Level m_value = 0;
    bool m_dragging = false;
    Handler m_handler;
};

}  // namespace dimrix::panel
