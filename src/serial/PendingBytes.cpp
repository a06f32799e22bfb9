#include "serial/PendingBytes.h"

#include <algorithm>
#include <array>

#include "protocol/Frames.h"

namespace dimrix::serial {

namespace {

constexpr std::size_t kLargestFrame = protocol::kAddressFrameSize;

}  // namespace

void PendingBytes::TakeAll(FrameSource& source, TimePoint now) {
    std::array<protocol::Byte, kLargestFrame> frame{};
    // Backlog bounds it: a source with nothing pending may still offer a refresh.
    while (source.Backlog() > 0) {
        const std::size_t count = source.TakeFrame(frame, now);
        if (count == 0) {
            return;
        }
        m_bytes.insert(m_bytes.end(), frame.begin(),
                       frame.begin() + static_cast<std::ptrdiff_t>(count));
    }
}

std::size_t PendingBytes::TakeFrame(std::span<protocol::Byte> out, TimePoint /*now*/) {
    const std::size_t count = std::min(out.size(), m_bytes.size());
    const auto end = m_bytes.begin() + static_cast<std::ptrdiff_t>(count);
    std::copy(m_bytes.begin(), end, out.begin());
    m_bytes.erase(m_bytes.begin(), end);
    return count;
}

std::size_t PendingBytes::NextSize(TimePoint /*now*/) const {
    return std::min(m_bytes.size(), kLargestFrame);
}

}  // namespace dimrix::serial
