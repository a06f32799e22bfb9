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

// Moves queued bytes to the driver at the pace of the line, and decides when that
// happens. The owner carries the decisions out: it pumps when Queue says Now, posts one
// call that runs PumpPosted when Queue says Post, and pumps again at the time the last
// pump asked for; between those nothing runs, so an idle line costs nothing.
class Transmitter {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    // How long to wait before offering bytes again to a driver that took none.
    static constexpr std::chrono::milliseconds kFullDriverRetry{5};

    // What the owner does after a byte is queued.
    enum class Wake {
        // Nothing: a pump is already due at a set time.
        None,
        // Pump before returning to the sender.
        Now,
        // Post one call to the event loop that runs PumpPosted.
        Post,
    };

    explicit Transmitter(const LineSettings& settings);

    // Queues one byte and says when it is to be pumped. On a quiet line a byte that ends
    // a frame goes at once, so the driver takes the frame in one piece before the window
    // repaints what moved. Anything else waits for the event loop, after the handler
    // that queues has finished: a frame it left open (a send that failed part-way) still
    // goes then, and on an overrun line its whole burst is in the queue, and thinned out,
    // before any of it is chosen.
    [[nodiscard]] Wake Queue(protocol::Byte value, TimePoint now);
    // Hands the driver what the line has room for. Returns when to pump next, or nothing
    // once the queue is empty. Throws LinkError when the driver failed.
    std::optional<TimePoint> Pump(LineDriver& driver, TimePoint now);
    // Pump, from the call a Post asked for.
    std::optional<TimePoint> PumpPosted(LineDriver& driver, TimePoint now);
    // Whether everything handed over has left the wire by now.
    [[nodiscard]] bool LineIdle(LineDriver& driver, TimePoint now) const;
    // Forgets the queue and every pump asked for (the device is gone).
    void Clear();

    [[nodiscard]] std::size_t Waiting() const { return m_queue.Waiting(); }
    [[nodiscard]] const LinePacer& Pacer() const { return m_pacer; }

private:
    TransmitQueue m_queue;
    LinePacer m_pacer;
    std::array<protocol::Byte, LinePacer::kDriverTarget> m_chunk{};
    // The last pump asked for another at a set time, and none has run since.
    bool m_timedPumpDue = false;
    // A posted pump has been asked for and has not run yet.
    bool m_postedPumpDue = false;
};

}  // namespace dimrix::serial
