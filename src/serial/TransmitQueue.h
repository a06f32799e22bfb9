#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>

#include "protocol/ByteClass.h"
#include "protocol/Frames.h"
#include "protocol/Protocol.h"
#include "serial/FrameSource.h"
#include "serial/LineSettings.h"

namespace dimrix::serial {

// The bytes the program has sent but the driver has not taken yet, kept as the frames
// they form.
//
// While the line keeps up, every byte leaves exactly as queued. When more than about
// 100 ms of line time waits, the line counts as overrun until the queue has stayed empty
// for 100 ms; meanwhile a waiting frame that a newer complete frame makes pointless is
// dropped before it reaches the driver: an address frame by a newer one for the same
// board, any frame by a newer broadcast. Nothing is reordered, a frame the driver has
// begun to take is never dropped, and a frame cut short or malformed never goes and
// never makes another go, so the boards end exactly where the whole stream would have
// left them; only states the line had no time for are skipped.
//
// As the panel's frame source, it hands the line what Due gives, which then counts as
// sent.
class TransmitQueue : public FrameSource {
public:
    // The line counts as overrun once more than this much line time waits.
    static constexpr std::chrono::milliseconds kOverrunTime{100};
    // How long the queue must stay empty before the line counts as keeping up again;
    // longer than the gap between two fade ticks, so a sustained fade stays overrun.
    static constexpr std::chrono::milliseconds kCalmPeriod{100};

    // Sized to the line `settings` describe: 192 bytes at 19200 baud.
    explicit TransmitQueue(const LineSettings& settings);

    void Push(protocol::Byte value, TimePoint now);
    // The bytes due next for the driver, at most `allowance` of them, copied into `out`
    // (which must hold `allowance`). A frame not yet begun goes only whole; one begun, or
    // still being queued, may go in parts. They stay queued until Consume.
    [[nodiscard]] std::size_t Due(std::size_t allowance, std::span<protocol::Byte> out) const;
    // The first `count` bytes of Due have reached the driver.
    // Throws LinkError(errors::kWriteFailed), and consumes nothing, when `count` is more
    // than waits: a driver that says it took bytes it was never offered.
    void Consume(std::size_t count, TimePoint now);
    // Forgets everything queued (the device is gone).
    void Clear();

    std::size_t TakeFrame(std::span<protocol::Byte> out, TimePoint now) override;
    // A whole frame's size, or 1 for one that may go in parts.
    [[nodiscard]] std::size_t NextSize(TimePoint now) const override;
    [[nodiscard]] std::size_t Backlog() const override { return m_waiting; }
    // Whether what was just queued goes to the driver before the sender goes on: a frame
    // just finished on a line that keeps up, so the driver takes it in one piece before
    // the window repaints what moved. Anything else waits for the event loop, after the
    // handler that queues has finished: a frame it left open (a send that failed
    // part-way) still goes then, and on an overrun line its whole burst is in the queue,
    // and thinned out, before any of it is chosen.
    [[nodiscard]] bool GoesAtOnce(TimePoint now) const { return !Overrun(now) && !FrameOpen(); }

    // Bytes waiting for the driver.
    [[nodiscard]] std::size_t Waiting() const { return m_waiting; }
    [[nodiscard]] bool Empty() const { return m_waiting == 0; }
    [[nodiscard]] bool Overrun(TimePoint now) const;
    // Whether the newest bytes are a frame still being queued.
    [[nodiscard]] bool FrameOpen() const { return !m_units.empty() && !m_units.back().sealed; }

private:
    // A frame as queued, or a run of bytes that forms none (cut short, stray, unused).
    struct Unit {
        std::array<protocol::Byte, protocol::kAddressFrameSize> bytes{};
        std::uint8_t size = 0;
        // How many of its bytes the driver has taken.
        std::uint8_t sent = 0;
        // No further byte joins it.
        bool sealed = false;
        // Sealed by its terminator after a well-formed body.
        bool complete = false;
        // A newer frame sets all it sets; about to be dropped.
        bool obsolete = false;

        [[nodiscard]] protocol::ByteClass Kind() const { return protocol::ClassOf(bytes[0]); }
        [[nodiscard]] std::size_t Remaining() const { return size - sent; }
    };

    void Seal(Unit& unit, protocol::Byte last);
    void DropObsolete();

    // Bytes whose line time is kOverrunTime.
    std::size_t m_overrunBytes = 0;
    std::deque<Unit> m_units;
    std::size_t m_waiting = 0;
    bool m_overrun = false;
    TimePoint m_emptySince{};
};

}  // namespace dimrix::serial
