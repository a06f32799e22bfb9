#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace dimrix::bench {

/// A line carrying an eight-channel fade at 1920 bytes a second, for a bus monitor to
/// watch: a pseudo-terminal whose slave the monitor opens as its device. Each frame
/// steps one channel, in turn, as the panel's fade ticks do. The bench keeps its own
/// descriptor of the slave, so the master never meets a hang-up.
class FadeFeed {
public:
    using Clock = std::chrono::steady_clock;

    FadeFeed();
    ~FadeFeed();
    FadeFeed(const FadeFeed&) = delete;
    FadeFeed& operator=(const FadeFeed&) = delete;

    [[nodiscard]] const std::string& Device() const { return m_device; }
    /// Writes every frame due by now at the line's rate since `from`. A frame the
    /// monitor has no room for is lost, as on a line that never waits.
    void Feed(Clock::time_point from);
    /// Bytes the line has taken.
    [[nodiscard]] std::size_t Fed() const { return m_fed; }
    /// Bytes on the line that the monitor has not read yet.
    [[nodiscard]] std::size_t Unread() const;

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_device;
    std::size_t m_frames = 0;
    std::size_t m_fed = 0;
};

}  // namespace dimrix::bench
