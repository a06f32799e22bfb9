#pragma once

#include <chrono>

namespace dimrix::panel {

/// An interval timer as the panel configures it; the window runs the real timer.
struct TimerSettings {
    std::chrono::milliseconds interval{0};
    bool enabled = false;
};

}  // namespace dimrix::panel
