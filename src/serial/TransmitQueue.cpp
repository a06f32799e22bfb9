#include "serial/TransmitQueue.h"

#include <algorithm>
#include <bitset>
#include <string>

#include "serial/LinkError.h"

namespace dimrix::serial {

namespace {

using protocol::Byte;
using protocol::ByteClass;

}  // namespace

TransmitQueue::TransmitQueue(const LineSettings& settings)
    : m_overrunBytes(static_cast<std::size_t>(settings.BytesPerSecond() * kOverrunTime /
                                              std::chrono::milliseconds(std::chrono::seconds(1)))) {
}

void TransmitQueue::Push(Byte value, TimePoint now) {
    if (m_overrun && Empty() && now - m_emptySince >= kCalmPeriod) {
        m_overrun = false;
    }
    const ByteClass byteClass = protocol::ClassOf(value);
    if (m_units.empty() || m_units.back().sealed || protocol::StartsFrame(byteClass)) {
        if (!m_units.empty()) {
            // The frame still open was cut short by a failure; it stays as it is.
            m_units.back().sealed = true;
        }
        m_units.emplace_back();
    }
    Unit& unit = m_units.back();
    unit.bytes[unit.size++] = value;
    ++m_waiting;
    if (byteClass == ByteClass::FrameEnd || unit.size == unit.bytes.size()) {
        Seal(unit, value);
    }
    if (!m_overrun && m_waiting > m_overrunBytes) {
        m_overrun = true;
        DropObsolete();
    } else if (m_overrun && unit.complete) {
        DropObsolete();
    }
}

void TransmitQueue::Seal(Unit& unit, Byte last) {
    unit.sealed = true;
    const std::size_t expected = protocol::FrameSizeStartedBy(unit.Kind());
    const auto body = std::span(unit.bytes).subspan(1, unit.size > 2 ? unit.size - 2 : 0);
    unit.complete =
        last == protocol::kFrameEnd && expected != 0 && unit.size == expected &&
        std::ranges::all_of(body, [](Byte b) { return protocol::ClassOf(b) == ByteClass::Level; });
}

bool TransmitQueue::Overrun(TimePoint now) const {
    return m_overrun && !(Empty() && now - m_emptySince >= kCalmPeriod);
}

void TransmitQueue::DropObsolete() {
    // From the newest back: a frame is pointless when a newer complete frame sets all it
    // sets. It may go only if the unit now after it starts a frame of its own, since its
    // first byte may be what cuts off a broken frame before it.
    std::bitset<protocol::kAddressCount> boardSetLater;
    bool broadcastLater = false;
    bool nextStartsFrame = false;
    for (auto unit = m_units.rbegin(); unit != m_units.rend(); ++unit) {
        if (!unit->complete) {
            nextStartsFrame = protocol::StartsFrame(unit->Kind());
            continue;
        }
        const bool isAddress = unit->Kind() == ByteClass::Address;
        const std::size_t board = isAddress ? unit->bytes[0] - protocol::kFirstAddress : 0;
        const bool covered = broadcastLater || (isAddress && boardSetLater.test(board));
        if (covered && unit->sent == 0 && nextStartsFrame) {
            unit->obsolete = true;
            continue;
        }
        if (isAddress) {
            boardSetLater.set(board);
        } else {
            broadcastLater = true;
        }
        nextStartsFrame = true;
    }
    std::erase_if(m_units, [](const Unit& unit) { return unit.obsolete; });
    m_waiting = 0;
    for (const Unit& unit : m_units) {
        m_waiting += unit.Remaining();
    }
}

std::size_t TransmitQueue::Due(std::size_t allowance, std::span<Byte> out) const {
    std::size_t count = 0;
    for (const Unit& unit : m_units) {
        const std::size_t left = allowance - count;
        if (left == 0) {
            break;
        }
        // A whole frame either goes or waits, so the driver never holds more than the
        // allowance; one already begun or still open goes as far as there is room.
        const bool mayPart = unit.sent > 0 || !unit.sealed;
        if (!mayPart && unit.Remaining() > left) {
            break;
        }
        const std::size_t take = std::min(unit.Remaining(), left);
        std::copy_n(unit.bytes.begin() + unit.sent, take, out.begin() + count);
        count += take;
        if (take < unit.Remaining()) {
            break;
        }
    }
    return count;
}

void TransmitQueue::Consume(std::size_t count, TimePoint now) {
    if (count > m_waiting) {
        throw LinkError(errors::kWriteFailed, "the driver took " + std::to_string(count) +
                                                  " bytes of " + std::to_string(m_waiting));
    }
    m_waiting -= count;
    while (count > 0) {
        Unit& unit = m_units.front();
        const std::size_t take = std::min(count, unit.Remaining());
        unit.sent = static_cast<std::uint8_t>(unit.sent + take);
        count -= take;
        if (unit.Remaining() == 0 && unit.sealed) {
            m_units.pop_front();
        }
    }
    if (Empty()) {
        m_emptySince = now;
    }
}

std::size_t TransmitQueue::TakeFrame(std::span<Byte> out, TimePoint now) {
    const std::size_t count = Due(out.size(), out);
    Consume(count, now);
    return count;
}

std::size_t TransmitQueue::NextSize(TimePoint /*now*/) const {
    if (Empty()) {
        return 0;
    }
    const Unit& first = m_units.front();
    return first.sent > 0 || !first.sealed ? 1 : first.Remaining();
}

void TransmitQueue::Clear() {
    m_units.clear();
    m_waiting = 0;
}

}  // namespace dimrix::serial
