#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>

#include "protocol/Protocol.h"
#include "serial/FrameSource.h"
#include "serial/LineDriver.h"
#include "serial/LinePacer.h"
#include "serial/LineSettings.h"

namespace dimrix::serial {

// Moves a frame source's frames to the driver at the pace of the line, and decides when
// that happens. The owner carries the decisions out: it pumps when Kick says Now, posts
// one call that runs PumpPosted when Kick says Post, and pumps again at the time the last
// pump asked for; between those nothing runs, so an idle line costs nothing.
//
// The source is asked for a frame only once the driver has room for it, so what goes is
// decided as late as it can be, and a frame goes to the driver in one piece.
class Transmitter {
public:
    using Clock = FrameSource::Clock;
    using TimePoint = FrameSource::TimePoint;

    // How long to wait before offering bytes again to a driver that took none.
    static constexpr std::chrono::milliseconds kFullDriverRetry{5};

    // What the owner does once its source holds something new.
    enum class Wake {
        // Nothing: a pump is already due at a set time.
        None,
        // Pump before returning to the sender.
        Now,
        // Post one call to the event loop that runs PumpPosted.
        Post,
    };

    explicit Transmitter(const LineSettings& settings);

    // Says when what the source now holds is to be pumped: at once when `atOnce` (the
    // source wants it on the driver before the sender goes on), otherwise from the event
    // loop, after the handler that is sending has finished.
    [[nodiscard]] Wake Kick(bool atOnce);
    // Hands the driver what the line has room for, asking `source` frame by frame.
    // Returns when to pump next: when the next frame will fit, or when the source says
    // something falls due; nothing while it has nothing to send. Throws LinkError when
    // the driver failed, or claims to have taken more than it was offered.
    std::optional<TimePoint> Pump(FrameSource& source, LineDriver& driver, TimePoint now);
    // Pump, from the call a Post asked for.
    std::optional<TimePoint> PumpPosted(FrameSource& source, LineDriver& driver, TimePoint now);
    // Whether everything taken from the source has left the wire by now.
    [[nodiscard]] bool LineIdle(const LineDriver& driver, TimePoint now) const;
    // Forgets what the driver refused and every pump asked for (the device is gone).
    void Clear();

    // Bytes taken from the source that the driver refused so far: never more than the
    // driver may hold.
    [[nodiscard]] std::size_t Refused() const { return m_refused; }
    [[nodiscard]] const LinePacer& Pacer() const { return m_pacer; }

private:
    // Hands the driver the refused bytes; false when it still refuses some.
    bool HandRefused(LineDriver& driver, TimePoint now);
    // Hands the driver the first `count` bytes of m_chunk; false when it took fewer.
    bool Hand(LineDriver& driver, std::size_t count, TimePoint now);

    LinePacer m_pacer;
    std::array<protocol::Byte, LinePacer::kDriverTarget> m_chunk{};
    std::size_t m_refused = 0;
    // What the driver held when this pump first asked, plus what it was handed since: one
    // system call a pump at most, and none while the wire clock alone says there is no
    // room.
    std::optional<std::size_t> m_holds;
    // The last pump asked for another at a set time, for room, and none has run since.
    bool m_timedPumpDue = false;
    // A posted pump has been asked for and has not run yet.
    bool m_postedPumpDue = false;
};

}  // namespace dimrix::serial
