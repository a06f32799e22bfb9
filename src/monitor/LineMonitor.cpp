#include "monitor/LineMonitor.h"

#include <type_traits>
#include <variant>

namespace dimrix::monitor {

namespace {

constexpr std::uint64_t kPercent = 100;

std::size_t BoardIndex(protocol::Address address) {
    return static_cast<std::size_t>(address - protocol::kFirstAddress);
}

}  // namespace

LineMonitor::LineMonitor(TimePoint start, std::int32_t capacity)
    : m_start(start), m_capacity(capacity), m_now(start) {}

void LineMonitor::Read(std::span<const protocol::Byte> bytes, TimePoint now) {
    if (bytes.empty()) {
        return;
    }
    m_now = now;
    m_lastByte = now;
    m_counts.bytes += bytes.size();
    m_bytesRate.Add(bytes.size(), now);
    m_decoder.Feed(bytes);
    if (m_listener != nullptr) {
        m_listener->OnReadDone();
    }
}

void LineMonitor::OnFrame(const protocol::DecodedFrame& frame) {
    std::visit(
        [this]<typename Frame>(const Frame& decoded) {
            if constexpr (std::is_same_v<Frame, protocol::DecodedAddressFrame>) {
                ++m_counts.address;
                m_lastBoard = decoded.address;
                m_lastBoardAt = m_now;
            } else if constexpr (std::is_same_v<Frame, protocol::DecodedPresetFrame>) {
                ++m_counts.preset;
            } else {
                static_assert(std::is_same_v<Frame, protocol::DecodedMasterFrame>);
                ++m_counts.master;
            }
        },
        frame);
    m_framesRate.Add(1, m_now);
    if (m_listener != nullptr) {
        m_listener->OnFrame(m_now - m_start, frame);
    }
}

void LineMonitor::OnMalformed(std::span<const protocol::Byte> bytes, protocol::Malformation why) {
    ++m_counts.malformed;
    if (m_listener != nullptr) {
        m_listener->OnMalformed(m_now - m_start, bytes, why);
    }
}

std::uint64_t LineMonitor::BytesPerSecond(TimePoint now) const {
    return m_bytesRate.PerSecond(now);
}

std::uint64_t LineMonitor::FramesPerSecond(TimePoint now) const {
    return m_framesRate.PerSecond(now);
}

std::uint64_t LineMonitor::LoadPercent(TimePoint now) const {
    const auto capacity = static_cast<std::uint64_t>(m_capacity);
    return capacity == 0 ? 0 : (BytesPerSecond(now) * kPercent + capacity / 2) / capacity;
}

std::optional<protocol::Address> LineMonitor::MarkedBoard(TimePoint now) const {
    if (m_lastBoard && now - m_lastBoardAt < kMarkTime) {
        return m_lastBoard;
    }
    return std::nullopt;
}

std::optional<LineMonitor::Clock::duration> LineMonitor::SinceLastByte(TimePoint now) const {
    if (!m_lastByte) {
        return std::nullopt;
    }
    return now - *m_lastByte;
}

LineMonitor::BoardSet LineMonitor::TakeChanged(TimePoint now) {
    BoardSet changed;
    const protocol::LineDecoder::Boards& boards = m_decoder.State();
    if (!m_shown) {
        changed.set();
    } else {
        for (std::size_t board = 0; board < boards.size(); ++board) {
            changed[board] = boards[board] != (*m_shown)[board];
        }
    }
    const std::optional<protocol::Address> mark = MarkedBoard(now);
    if (mark != m_shownMark) {
        for (const auto& board : {mark, m_shownMark}) {
            if (board) {
                changed.set(BoardIndex(*board));
            }
        }
    }
    m_shown = boards;
    m_shownMark = mark;
    return changed;
}

}  // namespace dimrix::monitor
