#pragma once

#include <array>
#include <cstddef>

#include "protocol/Protocol.h"

namespace dimrix::bridge {

// Channels one line carries: every channel of every board, board 128's channel 0 first.
inline constexpr std::size_t kLineChannels =
    static_cast<std::size_t>(protocol::kAddressCount) * protocol::kChannelCount;

// The level of every channel of one line, in that order.
using LineLevels = std::array<protocol::Level, kLineChannels>;

static_assert(kLineChannels == 248);

}  // namespace dimrix::bridge
