#include "bridge/IdentifyFlash.h"

#include <algorithm>
#include <cstddef>

namespace dimrix::bridge {

void IdentifyFlash::Start(protocol::Address board, TimePoint now) {
    m_board = board;
    m_start = now;
    m_end = now + kDuration;
}

std::optional<protocol::Address> IdentifyFlash::Board(TimePoint now) const {
    return Active(now) ? m_board : std::nullopt;
}

double IdentifyFlash::SecondsLeft(TimePoint now) const {
    return Active(now) ? std::chrono::duration<double>(m_end - now).count() : 0.0;
}

LineLevels IdentifyFlash::Over(const LineLevels& merged, TimePoint now) const {
    LineLevels levels = merged;
    if (!Active(now)) {
        return levels;
    }
    // Full first, so the board answers the moment it is asked.
    const bool on = (now - m_start) / kHalfPeriod % 2 == 0;
    const auto first =
        static_cast<std::size_t>((*m_board - protocol::kFirstAddress) * protocol::kChannelCount);
    std::fill_n(levels.begin() + static_cast<std::ptrdiff_t>(first), protocol::kChannelCount,
                on ? protocol::kMaxLevel : protocol::kMinLevel);
    return levels;
}

std::optional<IdentifyFlash::TimePoint> IdentifyFlash::NextChange(TimePoint now) const {
    if (!Active(now)) {
        return std::nullopt;
    }
    const auto halves = (now - m_start) / kHalfPeriod + 1;
    return std::min(m_start + halves * kHalfPeriod, m_end);
}

}  // namespace dimrix::bridge
