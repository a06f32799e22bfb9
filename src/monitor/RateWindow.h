#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace dimrix::monitor {

// How many of something arrived in the last second, kept in tenths of a second so that
// memory stays the same whatever the rate (a junk flood counts as cheaply as a quiet line).
class RateWindow {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::milliseconds kSpan{1000};
    static constexpr std::size_t kSlices = 10;

    void Add(std::uint64_t count, Clock::time_point now);
    // What arrived in the slice holding `now` and the slices of the second before it.
    [[nodiscard]] std::uint64_t PerSecond(Clock::time_point now) const;

private:
    struct Slice {
        std::int64_t index = std::numeric_limits<std::int64_t>::min();
        std::uint64_t count = 0;
    };

    static std::int64_t SliceIndex(Clock::time_point time);

    std::array<Slice, kSlices> m_slices{};
};

}  // namespace dimrix::monitor
