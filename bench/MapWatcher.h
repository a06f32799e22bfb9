#pragma once

#include <chrono>
#include <optional>
#include <string>

struct xcb_connection_t;

namespace dimrix::bench {

/// Watches the X server for top-level windows being mapped: the moment the server
/// shows a window is visible from outside the program that owns it.
class MapWatcher {
public:
    using Clock = std::chrono::steady_clock;

    /// Connects to $DISPLAY and starts listening. Check Connected() before use.
    MapWatcher();
    ~MapWatcher();
    MapWatcher(const MapWatcher&) = delete;
    MapWatcher& operator=(const MapWatcher&) = delete;

    [[nodiscard]] bool Connected() const { return m_connection != nullptr; }
    /// Forgets the windows mapped so far.
    void Drain();
    /// Waits until a top-level window titled `title` is mapped; returns when the bench
    /// heard of it, or nothing if the deadline passed first.
    std::optional<Clock::time_point> WaitForMap(const std::string& title,
                                                Clock::time_point deadline);

private:
    [[nodiscard]] std::string TitleOf(unsigned window);

    xcb_connection_t* m_connection = nullptr;
};

}  // namespace dimrix::bench
