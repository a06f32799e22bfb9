#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

#include "protocol/Frames.h"
#include "wire/WireReader.h"

namespace dimrix::bench {

/// One address frame as it arrived.
struct ArrivedFrame {
    protocol::Address address = 0;
    protocol::ChannelLevels levels{};
    /// When its last byte (the terminator) was read.
    WireReader::Clock::time_point end;
};

/// The address frames in what a WireReader has read, in arrival order. Anything that
/// is not a well-formed address frame is counted, not kept.
class FrameLog {
public:
    /// Splits the first `count` bytes the reader holds into frames at each terminator.
    FrameLog(const WireReader& reader, std::size_t count);

    [[nodiscard]] const std::vector<ArrivedFrame>& Frames() const { return m_frames; }
    /// Frames of other kinds or of the wrong length.
    [[nodiscard]] std::size_t Malformed() const { return m_malformed; }

private:
    std::vector<ArrivedFrame> m_frames;
    std::size_t m_malformed = 0;
};

}  // namespace dimrix::bench
