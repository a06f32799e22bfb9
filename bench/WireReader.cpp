#include "WireReader.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <system_error>

namespace dimrix::bench {

namespace {

// A few bytes' worth at 19200 baud, far finer than the backlog it measures.
constexpr std::chrono::milliseconds kPaceStep{2};

}  // namespace

WireReader::WireReader(double bytesPerSecond)
    : m_bytesPerSecond(bytesPerSecond), m_bytes(kCapacity), m_times(kCapacity) {
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0 ||
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "openpty");
    }
    m_slavePath = ::ptsname(m_master);
}

WireReader::~WireReader() {
    Stop();
    ::close(m_slave);
    ::close(m_master);
}

void WireReader::Start(std::function<void()> onArrival) {
    m_onArrival = std::move(onArrival);
    m_running = true;
    m_thread = std::thread([this] { Read(); });
}

void WireReader::Stop() {
    m_running = false;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::size_t WireReader::Take(std::size_t limit, Clock::time_point when) {
    const ssize_t got = ::read(m_master, m_chunk.data(), std::min(limit, kChunk));
    if (got <= 0) {
        return 0;
    }
    const std::size_t stored = m_count.load(std::memory_order_relaxed);
    const std::size_t fits = std::min(static_cast<std::size_t>(got), m_bytes.size() - stored);
    std::copy_n(m_chunk.begin(), fits, m_bytes.begin() + static_cast<std::ptrdiff_t>(stored));
    std::fill_n(m_times.begin() + static_cast<std::ptrdiff_t>(stored), fits, when);
    m_count.store(stored + fits, std::memory_order_release);
    m_onArrival();
    return static_cast<std::size_t>(got);
}

// Paced, the line sends one byte per byte time and cannot catch up on time it spent
// idle, so its credit starts afresh whenever nothing was waiting.
void WireReader::Read() {
    const bool paced = m_bytesPerSecond > 0.0;
    Clock::time_point lineFreeSince = Clock::now();
    double sentSinceFree = 0.0;
    while (m_running) {
        if (!paced) {
            if (Take(kChunk, Clock::now()) == 0) {
                // Lets the kernel worker that moves the bytes across the pair run here.
                std::this_thread::yield();
            }
            continue;
        }
        std::this_thread::sleep_for(kPaceStep);
        const Clock::time_point now = Clock::now();
        const double seconds = std::chrono::duration<double>(now - lineFreeSince).count();
        const double allowance = std::floor(seconds * m_bytesPerSecond - sentSinceFree);
        if (allowance < 1.0) {
            continue;
        }
        const std::size_t got = Take(static_cast<std::size_t>(allowance), now);
        if (got == 0) {
            lineFreeSince = now;
            sentSinceFree = 0.0;
        }
        sentSinceFree += static_cast<double>(got);
    }
}

}  // namespace dimrix::bench
