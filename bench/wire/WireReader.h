#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "support/PseudoTerminal.h"

namespace dimrix::bench {

/// The far end of the line is the tests' pseudo-terminal; the bench keeps the slave open
/// (PseudoTerminal::Slave::Kept) so that reads never meet a hang-up between runs.
using testing::PseudoTerminal;

/// The boards' end of the line: a thread that reads the pseudo-terminal's master and
/// stamps every byte with the moment it was read.
///
/// Unpaced, it takes bytes as soon as they are readable, so the stamps show when the
/// panel got them onto the line. It never sleeps for that, as a UART's receiver does not:
/// a thread that waits in poll() is stamped late by however long the system takes to
/// wake it, which on a virtual machine can be milliseconds. Paced, it takes them no faster than a
/// real line would carry them, so the panel's output backs up as it would in front of a UART.
///
/// Bytes and stamps are preallocated; Count() publishes how many are valid, so another
/// thread may read the first Count() entries while the reader goes on.
class WireReader {
public:
    using Clock = std::chrono::steady_clock;

    /// @param capacity      most bytes the run may produce; more are read and dropped
    /// @param bytesPerSecond line rate to pace reads at, or 0 for unpaced
    WireReader(const PseudoTerminal& pty, std::size_t capacity, double bytesPerSecond);
    ~WireReader();
    WireReader(const WireReader&) = delete;
    WireReader& operator=(const WireReader&) = delete;

    /// Runs on the reader's thread after each read that stored bytes (unpaced only).
    void SetOnArrival(std::function<void()> onArrival) { m_onArrival = std::move(onArrival); }

    void Start();
    /// Stops and joins the thread; the stamps stay readable.
    void Stop();

    /// Bytes read so far (up to the capacity).
    [[nodiscard]] std::size_t Count() const { return m_count.load(std::memory_order_acquire); }
    /// Bytes read beyond the capacity.
    [[nodiscard]] std::size_t Overflow() const {
        return m_overflow.load(std::memory_order_relaxed);
    }
    [[nodiscard]] std::uint8_t Byte(std::size_t index) const { return m_bytes[index]; }
    [[nodiscard]] Clock::time_point Time(std::size_t index) const { return m_times[index]; }

private:
    void ReadUnpaced();
    void ReadPaced();
    void Store(const std::uint8_t* bytes, std::size_t count, Clock::time_point when);

    const PseudoTerminal& m_pty;
    double m_bytesPerSecond;
    std::vector<std::uint8_t> m_bytes;
    std::vector<Clock::time_point> m_times;
    std::atomic<std::size_t> m_count{0};
    std::atomic<std::size_t> m_overflow{0};
    std::atomic<bool> m_running{false};
    std::function<void()> m_onArrival;
    std::thread m_thread;
};

}  // namespace dimrix::bench
