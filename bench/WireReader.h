#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace dimrix::bench {

/// The boards' end of the line: a pseudo-terminal whose slave the port opens, and a
/// thread that reads the master and stamps every byte with the moment it was read, either
/// at once (spinning, so that a byte is not stamped late by a wake-up) or paced at a line
/// rate (see docs/performance.md). The bench keeps its own descriptor of the slave, so
/// the master never meets a hang-up. Another thread may read the first Count() bytes and
/// stamps while the reader goes on.
class WireReader {
public:
    using Clock = std::chrono::steady_clock;

    /// The longest run's bytes: about 15 s of fade at 3200 bytes/s.
    static constexpr std::size_t kCapacity = 64 * 1024;

    /// @param bytesPerSecond line rate to pace reads at, or 0 for none
    explicit WireReader(double bytesPerSecond);
    ~WireReader();
    WireReader(const WireReader&) = delete;
    WireReader& operator=(const WireReader&) = delete;

    [[nodiscard]] const std::string& SlavePath() const { return m_slavePath; }
    /// `onArrival` runs on the reader's thread after every read.
    void Start(std::function<void()> onArrival);
    void Stop();

    [[nodiscard]] std::size_t Count() const { return m_count.load(std::memory_order_acquire); }
    [[nodiscard]] std::span<const std::uint8_t> Bytes() const { return {m_bytes.data(), Count()}; }
    [[nodiscard]] Clock::time_point Time(std::size_t index) const { return m_times[index]; }

private:
    void Read();
    /// Reads at most `limit` bytes that are there now; returns how many.
    std::size_t Take(std::size_t limit, Clock::time_point when);

    static constexpr std::size_t kChunk = 4096;

    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    double m_bytesPerSecond;
    std::vector<std::uint8_t> m_bytes;
    std::vector<Clock::time_point> m_times;
    std::array<std::uint8_t, kChunk> m_chunk{};
    std::atomic<std::size_t> m_count{0};
    std::atomic<bool> m_running{false};
    std::function<void()> m_onArrival;
    std::thread m_thread;
};

}  // namespace dimrix::bench
