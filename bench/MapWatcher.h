#pragma once

#include <chrono>
#include <optional>

struct xcb_connection_t;

namespace dimrix::bench {

/// Watches the X server for top-level windows being mapped: when a window is shown, seen
/// from outside the program (see docs/performance.md for why not from inside).
class MapWatcher {
public:
    using Clock = std::chrono::steady_clock;

    /// Connects to $DISPLAY, if it can.
    MapWatcher();
    ~MapWatcher();
    MapWatcher(const MapWatcher&) = delete;
    MapWatcher& operator=(const MapWatcher&) = delete;

    [[nodiscard]] bool Connected() const { return m_connection != nullptr; }
    /// Forgets the windows mapped so far.
    void Drain();
    /// Waits until a top-level window is mapped (menus and tooltips do not count);
    /// returns when the bench heard of it, or nothing if the deadline passed first.
    std::optional<Clock::time_point> WaitForMap(Clock::time_point deadline);

private:
    xcb_connection_t* m_connection = nullptr;
};

}  // namespace dimrix::bench
