#include "monitor/RateWindow.h"

namespace dimrix::monitor {

namespace {

constexpr auto kSliceTime = RateWindow::kSpan / RateWindow::kSlices;

}  // namespace

std::int64_t RateWindow::SliceIndex(Clock::time_point time) {
    const auto since =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch());
    // Floor division: a clock may well stand before its epoch.
    const std::int64_t width = kSliceTime.count();
    const std::int64_t ms = since.count();
    return ms >= 0 ? ms / width : -((-ms + width - 1) / width);
}

void RateWindow::Add(std::uint64_t count, Clock::time_point now) {
    const std::int64_t index = SliceIndex(now);
    Slice& slice = m_slices[static_cast<std::size_t>(
        ((index % static_cast<std::int64_t>(kSlices)) + static_cast<std::int64_t>(kSlices)) %
        static_cast<std::int64_t>(kSlices))];
    if (slice.index != index) {
        slice = Slice{index, 0};
    }
    slice.count += count;
}

std::uint64_t RateWindow::PerSecond(Clock::time_point now) const {
    const std::int64_t newest = SliceIndex(now);
    const std::int64_t oldest = newest - static_cast<std::int64_t>(kSlices) + 1;
    std::uint64_t total = 0;
    for (const Slice& slice : m_slices) {
        if (slice.index >= oldest && slice.index <= newest) {
            total += slice.count;
        }
    }
    return total;
}

}  // namespace dimrix::monitor
