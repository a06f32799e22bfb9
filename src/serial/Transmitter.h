#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>

#include "protocol/Protocol.h"
#include "serial/LineDriver.h"
#include "serial/LinePacer.h"
#include "serial/LineSettings.h"
#include "serial/TransmitQueue.h"

namespace dimrix::serial {

// Moves queued bytes to the driver at the pace of the line. The owner calls Pump when a
// byte is queued on a quiet line and again at the time the last Pump asked for; between
// those nothing runs, so an idle line costs nothing.
class Transmitter {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    // How long to wait before offering bytes again to a driver that took none.
    static constexpr std::chrono::milliseconds kFullDriverRetry{5};

    explicit Transmitter(const LineSettings& settings);

    void Queue(protocol::Byte value, TimePoint now);
    // Whether the byte just queued should be pumped at once: on a quiet line, when it has
    // ended a frame, so the driver takes the frame in one piece. Otherwise the pump waits
    // for the event loop, after the handler that queues has finished: a frame it left
    // open (a send that failed part-way) still goes then, and on an overrun line its
    // whole burst is in the queue, and thinned out, before any of it is chosen.
    [[nodiscard]] bool PumpsAtOnce(TimePoint now) const;
    // Hands the driver what the line has room for. Returns when to pump next, or nothing
    // once the queue is empty. Throws LinkError when the driver failed.
    std::optional<TimePoint> Pump(LineDriver& driver, TimePoint now);
    // Whether everything handed over has left the wire by now.
    [[nodiscard]] bool LineIdle(LineDriver& driver, TimePoint now) const;
    // Forgets the queue (the device is gone).
    void Clear() { m_queue.Clear(); }

    [[nodiscard]] std::size_t Waiting() const { return m_queue.Waiting(); }
    [[nodiscard]] const LinePacer& Pacer() const { return m_pacer; }

private:
    TransmitQueue m_queue;
    LinePacer m_pacer;
    std::array<protocol::Byte, LinePacer::kDriverTarget> m_chunk{};
};

}  // namespace dimrix::serial
