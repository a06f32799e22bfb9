#include "wire/WireReader.h"

#include <algorithm>
#include <cmath>

namespace dimrix::bench {

namespace {

// The paced reader's step: a few bytes' worth at 19200 baud, far finer than the
// backlog it measures.
constexpr std::chrono::milliseconds kPaceStep{2};
constexpr std::size_t kChunk = 4096;

}  // namespace

WireReader::WireReader(const PseudoTerminal& pty, std::size_t capacity, double bytesPerSecond)
    : m_pty(pty), m_bytesPerSecond(bytesPerSecond), m_bytes(capacity), m_times(capacity) {}

WireReader::~WireReader() {
    Stop();
}

void WireReader::Start() {
    m_running = true;
    m_thread = std::thread([this] { m_bytesPerSecond > 0.0 ? ReadPaced() : ReadUnpaced(); });
}

void WireReader::Stop() {
    m_running = false;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void WireReader::Store(const std::uint8_t* bytes, std::size_t count, Clock::time_point when) {
    std::size_t stored = m_count.load(std::memory_order_relaxed);
    const std::size_t fits = std::min(count, m_bytes.size() - stored);
    std::copy_n(bytes, fits, m_bytes.begin() + static_cast<std::ptrdiff_t>(stored));
    std::fill_n(m_times.begin() + static_cast<std::ptrdiff_t>(stored), fits, when);
    m_count.store(stored + fits, std::memory_order_release);
    m_overflow.fetch_add(count - fits, std::memory_order_relaxed);
}

void WireReader::ReadUnpaced() {
    // Reserved once, so that reading allocates nothing while the panel is being timed.
    std::vector<std::uint8_t> chunk;
    chunk.reserve(kChunk);
    while (m_running) {
        chunk.clear();
        m_pty.ReadInto(chunk, kChunk);
        const std::size_t got = chunk.size();
        if (got == 0) {
            // Lets the kernel worker that moves the bytes across the pair run here if
            // it has to.
            std::this_thread::yield();
            continue;
        }
        Store(chunk.data(), got, Clock::now());
        if (m_onArrival) {
            m_onArrival();
        }
    }
}

// A UART sends one byte per byte time and cannot catch up on time it spent idle, so the
// line's credit starts afresh whenever nothing is waiting.
void WireReader::ReadPaced() {
    std::vector<std::uint8_t> chunk;
    chunk.reserve(kChunk);
    Clock::time_point lineFreeSince = Clock::now();
    double sentSinceFree = 0.0;
    while (m_running) {
        std::this_thread::sleep_for(kPaceStep);
        const Clock::time_point now = Clock::now();
        const std::size_t pending = m_pty.Unread();
        if (pending == 0) {
            lineFreeSince = now;
            sentSinceFree = 0.0;
            continue;
        }
        const double seconds = std::chrono::duration<double>(now - lineFreeSince).count();
        const double allowance = std::floor(seconds * m_bytesPerSecond - sentSinceFree);
        if (allowance < 1.0) {
            continue;
        }
        const std::size_t want = std::min({static_cast<std::size_t>(allowance), pending, kChunk});
        chunk.clear();
        m_pty.ReadInto(chunk, want);
        const std::size_t got = chunk.size();
        if (got > 0) {
            sentSinceFree += static_cast<double>(got);
            Store(chunk.data(), got, now);
        }
    }
}

}  // namespace dimrix::bench
