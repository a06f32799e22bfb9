#pragma once

#include <cstddef>
#include <deque>
#include <span>

#include "protocol/Protocol.h"
#include "serial/FrameSource.h"

namespace dimrix::serial {

// What a frame source still held when its line was stopped, taken from it at once and
// let out as it is: the source is then free for the next device, while this one drains.
class PendingBytes : public FrameSource {
public:
    // Takes everything `source` holds for the line, in the order it would have sent it.
    void TakeAll(FrameSource& source, TimePoint now);

    std::size_t TakeFrame(std::span<protocol::Byte> out, TimePoint now) override;
    // Up to a frame's worth at a time, so a drain wakes once a frame, not once a byte.
    [[nodiscard]] std::size_t NextSize(TimePoint now) const override;
    [[nodiscard]] std::size_t Backlog() const override { return m_bytes.size(); }

private:
    std::deque<protocol::Byte> m_bytes;
};

}  // namespace dimrix::serial
