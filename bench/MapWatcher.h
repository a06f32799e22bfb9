#pragma once

#include <chrono>
#include <optional>

struct xcb_connection_t;

namespace dimrix::bench {

/// Watches the X server for top-level windows being mapped: the moment the server shows
/// a window is visible from outside the program that owns it. Asking the program instead
/// (its first wait in the event loop) does not work on X: the X library waits in poll()
/// too, for the server's replies while the program starts.
class MapWatcher {
public:
    using Clock = std::chrono::steady_clock;

    /// Connects to $DISPLAY, if there is one.
    MapWatcher();
    ~MapWatcher();
    MapWatcher(const MapWatcher&) = delete;
    MapWatcher& operator=(const MapWatcher&) = delete;

    [[nodiscard]] bool Connected() const { return m_connection != nullptr; }
    /// Forgets the windows mapped so far (nothing to do if not connected).
    void Drain();
    /// Waits until a top-level window is mapped (menus and tooltips do not count);
    /// returns when the bench heard of it, or nothing if the deadline passed first.
    std::optional<Clock::time_point> WaitForMap(Clock::time_point deadline);

private:
    xcb_connection_t* m_connection = nullptr;
};

}  // namespace dimrix::bench
