#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace dimrix::bench {

/// The boards' end of the line: a pseudo-terminal whose slave the port opens, and a
/// thread that reads the master and stamps every byte with the moment it was read. The
/// bench keeps its own descriptor of the slave, so the master never meets a hang-up.
///
/// Unpaced, it takes bytes as soon as they are readable, so the stamps show when the
/// panel got them onto the line. It never sleeps for that, as a UART's receiver does not:
/// a thread woken from poll() is stamped late by however long the system takes to wake
/// it. Paced, it takes them no faster than the line rate: a pseudo-terminal takes some
/// 15 KB at once and reports nothing queued, where a UART holds about 4 KB and sends
/// 1920 bytes a second, so only a paced reader lets the panel's output back up as it
/// would in front of a real line.
///
/// Bytes and stamps are preallocated; Count() publishes how many are valid, so another
/// thread may read the first Count() entries while the reader goes on.
class WireReader {
public:
    using Clock = std::chrono::steady_clock;

    /// @param capacity       most bytes the run may produce; more are read and dropped
    /// @param bytesPerSecond line rate to pace reads at, or 0 for none
    WireReader(std::size_t capacity, double bytesPerSecond);
    ~WireReader();
    WireReader(const WireReader&) = delete;
    WireReader& operator=(const WireReader&) = delete;

    [[nodiscard]] const std::string& SlavePath() const { return m_slavePath; }
    void SetOnArrival(std::function<void()> onArrival) { m_onArrival = std::move(onArrival); }

    void Start();
    void Stop();

    [[nodiscard]] std::size_t Count() const { return m_count.load(std::memory_order_acquire); }
    [[nodiscard]] std::uint8_t Byte(std::size_t index) const { return m_bytes[index]; }
    [[nodiscard]] Clock::time_point Time(std::size_t index) const { return m_times[index]; }

private:
    void Read();
    /// Reads at most `limit` bytes that are there now; returns how many.
    std::size_t Take(std::size_t limit, Clock::time_point when);

    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    double m_bytesPerSecond;
    std::vector<std::uint8_t> m_bytes;
    std::vector<Clock::time_point> m_times;
    std::vector<std::uint8_t> m_chunk;
    std::atomic<std::size_t> m_count{0};
    std::atomic<bool> m_running{false};
    std::function<void()> m_onArrival;
    std::thread m_thread;
};

}  // namespace dimrix::bench
