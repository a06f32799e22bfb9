#include "bridge/LineScheduler.h"

#include <algorithm>

namespace dimrix::bridge {

namespace {

using protocol::kChannelCount;

constexpr std::size_t kBoards = protocol::kAddressCount;

std::span<const protocol::Level, kChannelCount> BoardLevels(const LineLevels& levels,
                                                            std::size_t board) {
    return std::span(levels).subspan(board * kChannelCount).first<kChannelCount>();
}

}  // namespace

LineScheduler::LineScheduler() {
    m_forced.set();
}

void LineScheduler::SetDesired(const LineLevels& levels) {
    m_desired = levels;
    m_hasDesired = true;
    if (Uniform()) {
        // One broadcast sets every board; whatever boards were still due is moot.
        ClearDirty();
        m_broadcastDue = m_forced.any() || m_onLine != m_desired;
        return;
    }
    m_broadcastDue = false;
    // Boards that changed together queue up longest-unsent first, so the round stays fair.
    std::array<Board, kBoards> changed{};
    std::size_t count = 0;
    for (Board board = 0; board < kBoards; ++board) {
        if (!m_isDirty.test(board) && Differs(board)) {
            changed[count++] = board;
        }
    }
    std::stable_sort(changed.begin(), changed.begin() + static_cast<std::ptrdiff_t>(count),
                     [this](Board a, Board b) { return m_lastSent[a] < m_lastSent[b]; });
    for (std::size_t i = 0; i < count; ++i) {
        MarkDirty(changed[i]);
    }
}

void LineScheduler::ResendAll() {
    m_forced.set();
    ClearDirty();
    if (!m_hasDesired) {
        return;
    }
    if (Uniform()) {
        m_broadcastDue = true;
        return;
    }
    for (Board board = 0; board < kBoards; ++board) {
        MarkDirty(board);
    }
}

void LineScheduler::Clear() {
    m_forced.set();
}

std::size_t LineScheduler::TakeFrame(std::span<protocol::Byte> out, TimePoint now) {
    if (!m_hasDesired) {
        return 0;
    }
    const std::optional<Frame> frame = Next(out.size(), now);
    if (!frame) {
        return 0;
    }
    ++m_framesSent;
    m_bytesSent += frame->size;
    std::copy_n(frame->bytes.begin(), frame->size, out.begin());
    return frame->size;
}

std::bitset<protocol::kAddressCount> LineScheduler::PendingBoards() const {
    std::bitset<protocol::kAddressCount> pending;
    for (Board board = 0; m_hasDesired && board < kBoards; ++board) {
        pending.set(board, Differs(board));
    }
    return pending;
}

std::size_t LineScheduler::NextSize(TimePoint now) const {
    if (!m_hasDesired || (!Pending() && RefreshDue() > now)) {
        return 0;
    }
    return FrameSize();
}

std::size_t LineScheduler::Backlog() const {
    if (!m_hasDesired) {
        return 0;
    }
    return m_broadcastDue ? FrameSize() : m_dirtyCount * protocol::kAddressFrameSize;
}

std::optional<LineScheduler::TimePoint> LineScheduler::DueAt() const {
    if (!m_hasDesired) {
        return std::nullopt;
    }
    return RefreshDue();
}

std::size_t LineScheduler::FrameSize() const {
    if (m_broadcastDue || (m_dirtyCount == 0 && Uniform())) {
        return std::ranges::find(protocol::kPresets, m_desired.front(), protocol::PresetLevel) !=
                       protocol::kPresets.end()
                   ? protocol::kPresetFrameSize
                   : protocol::kMasterFrameSize;
    }
    return protocol::kAddressFrameSize;
}

std::optional<LineScheduler::Frame> LineScheduler::Next(std::size_t room, TimePoint now) {
    if (m_broadcastDue) {
        return Broadcast(room, now);
    }
    while (m_dirtyCount > 0) {
        const Board board = m_dirty[m_dirtyHead];
        if (Differs(board)) {
            return BoardFrame(board, room, now);
        }
        // Changed back before its turn came.
        m_isDirty.reset(board);
        m_dirtyHead = (m_dirtyHead + 1) % kBoards;
        --m_dirtyCount;
    }
    if (RefreshDue() > now) {
        return std::nullopt;
    }
    if (Uniform()) {
        std::optional<Frame> frame = Broadcast(room, now);
        m_refreshes += frame ? 1 : 0;
        return frame;
    }
    const auto oldest = std::ranges::min_element(m_lastSent);
    std::optional<Frame> frame =
        BoardFrame(static_cast<Board>(oldest - m_lastSent.begin()), room, now);
    m_refreshes += frame ? 1 : 0;
    return frame;
}

std::optional<LineScheduler::Frame> LineScheduler::Broadcast(std::size_t room, TimePoint now) {
    const protocol::Level level = m_desired.front();
    Frame frame;
    const auto preset = std::ranges::find(protocol::kPresets, level, protocol::PresetLevel);
    if (preset != protocol::kPresets.end()) {
        const auto bytes = protocol::PresetFrame(*preset);
        frame.size = std::ranges::copy(bytes, frame.bytes.begin()).out - frame.bytes.begin();
    } else {
        const auto bytes = protocol::MasterFrame(level);
        frame.size = std::ranges::copy(bytes, frame.bytes.begin()).out - frame.bytes.begin();
    }
    if (frame.size > room) {
        return std::nullopt;
    }
    m_broadcastDue = false;
    m_forced.reset();
    m_onLine = m_desired;
    m_lastSent.fill(now);
    return frame;
}

std::optional<LineScheduler::Frame> LineScheduler::BoardFrame(Board board, std::size_t room,
                                                              TimePoint now) {
    if (protocol::kAddressFrameSize > room) {
        return std::nullopt;
    }
    protocol::ChannelLevels levels{};
    std::ranges::copy(BoardLevels(m_desired, board), levels.begin());
    Frame frame;
    frame.bytes = protocol::AddressFrame(
        static_cast<protocol::Address>(protocol::kFirstAddress + static_cast<int>(board)), levels);
    frame.size = protocol::kAddressFrameSize;
    std::ranges::copy(levels,
                      m_onLine.begin() + static_cast<std::ptrdiff_t>(board * kChannelCount));
    m_forced.reset(board);
    m_lastSent[board] = now;
    if (m_isDirty.test(board) && m_dirty[m_dirtyHead] == board) {
        m_isDirty.reset(board);
        m_dirtyHead = (m_dirtyHead + 1) % kBoards;
        --m_dirtyCount;
    }
    return frame;
}

bool LineScheduler::Uniform() const {
    return std::ranges::all_of(m_desired, [this](protocol::Level l) { return l == m_desired[0]; });
}

bool LineScheduler::Differs(Board board) const {
    return m_forced.test(board) ||
           !std::ranges::equal(BoardLevels(m_desired, board), BoardLevels(m_onLine, board));
}

LineScheduler::TimePoint LineScheduler::RefreshDue() const {
    return std::ranges::min(m_lastSent) + kRefreshPeriod;
}

void LineScheduler::MarkDirty(Board board) {
    if (m_isDirty.test(board)) {
        return;
    }
    m_isDirty.set(board);
    m_dirty[(m_dirtyHead + m_dirtyCount) % kBoards] = board;
    ++m_dirtyCount;
}

void LineScheduler::ClearDirty() {
    m_isDirty.reset();
    m_dirtyHead = 0;
    m_dirtyCount = 0;
}

}  // namespace dimrix::bridge
