#pragma once

#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace dimrix::serial {

// Runs a line's pump again at the time the last pump asked for. The line's pace is a few
// milliseconds a frame, so the timer is a precise one: a coarse timer (15.6 ms on
// Windows) would let the driver run dry between frames.
class PumpTimer {
public:
    using Clock = std::chrono::steady_clock;

    explicit PumpTimer(std::function<void()> pump);

    // Pumps at `wake`, rounded up to the millisecond: early, the driver would not yet have
    // room for a whole frame. Nothing replaces a pump already due when `wake` is empty.
    void WakeAt(std::optional<Clock::time_point> wake, Clock::time_point now);
    void Stop() { m_timer->stop(); }
    [[nodiscard]] bool Due() const { return m_timer->isActive(); }
    // Where calls posted to run on the pump's thread live as long as the pump does.
    [[nodiscard]] QObject* Context() const { return m_timer.get(); }

private:
    std::unique_ptr<QTimer> m_timer = std::make_unique<QTimer>();
};

}  // namespace dimrix::serial
