#include "bridge/SacnPacket.h"

#include <algorithm>

namespace dimrix::bridge {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr unsigned kBitsPerByte = 8;
constexpr unsigned kLengthBits = 12;
constexpr std::uint16_t kLengthMask = (1U << kLengthBits) - 1;
// The one DMP property before the slots: the start code.
constexpr std::size_t kStartCodeValues = 1;

std::uint16_t Read16(Bytes bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << kBitsPerByte | bytes[at + 1]);
}

std::uint32_t Read32(Bytes bytes, std::size_t at) {
    return static_cast<std::uint32_t>(Read16(bytes, at)) << (2 * kBitsPerByte) |
           Read16(bytes, at + 2);
}

// Whether the PDU at `at` has the usual flags and reaches exactly to the datagram's end:
// each layer of a data packet holds the whole of the rest.
bool PduFillsDatagram(Bytes bytes, std::size_t at) {
    const std::uint16_t flagsAndLength = Read16(bytes, at);
    return flagsAndLength >> kLengthBits == SacnPacket::kPduFlags &&
           (flagsAndLength & kLengthMask) == bytes.size() - at;
}

}  // namespace

SacnPacket::SacnPacket(std::span<const std::uint8_t> datagram) : m_bytes(datagram) {
    m_verdict = Judge();
}

SacnPacket::Verdict SacnPacket::Judge() const {
    if (m_bytes.size() < kCidAt) {
        return Verdict::TooShort;
    }
    if (Read16(m_bytes, 0) != kPreambleSize || Read16(m_bytes, 2) != kPostambleSize ||
        !std::ranges::equal(m_bytes.subspan(4, kPacketIdentifier.size()), kPacketIdentifier)) {
        return Verdict::NotAcn;
    }
    const std::uint32_t rootVector = Read32(m_bytes, kRootVectorAt);
    if (rootVector == kRootVectorExtended) {
        return Verdict::Extended;
    }
    if (rootVector != kRootVectorData) {
        return Verdict::UnknownVector;
    }
    if (m_bytes.size() < kSlotsAt) {
        return Verdict::TooShort;
    }
    if (!PduFillsDatagram(m_bytes, kRootPduAt) || !PduFillsDatagram(m_bytes, kFramingPduAt) ||
        !PduFillsDatagram(m_bytes, kDmpPduAt)) {
        return Verdict::BadPdu;
    }
    if (Read32(m_bytes, kFramingVectorAt) != kFramingVectorData) {
        return Verdict::UnknownVector;
    }
    if (m_bytes[kDmpVectorAt] != kDmpVectorSetProperty ||
        m_bytes[kAddressTypeAt] != kAddressAndDataType ||
        Read16(m_bytes, kFirstAddressAt) != kFirstPropertyAddress ||
        Read16(m_bytes, kIncrementAt) != kAddressIncrement) {
        return Verdict::BadDmp;
    }
    const std::uint16_t count = Read16(m_bytes, kCountAt);
    if (count > kStartCodeValues + kMaxSlots || count != m_bytes.size() - kStartCodeAt) {
        return Verdict::BadCount;
    }
    if (m_bytes[kPriorityAt] > kMaxPriority) {
        return Verdict::BadPriority;
    }
    const std::uint16_t universe = Read16(m_bytes, kUniverseAt);
    if (universe < kFirstUniverse || universe > kLastUniverse) {
        return Verdict::BadUniverse;
    }
    const std::uint8_t options = m_bytes[kOptionsAt];
    if ((options & kOptionPreview) != 0) {
        return Verdict::Preview;
    }
    // Whatever it carries, the end of a stream is news the merge must hear.
    if ((options & kOptionTerminated) != 0 || m_bytes[kStartCodeAt] == kDmxStartCode) {
        return Verdict::Data;
    }
    if (m_bytes[kStartCodeAt] != kSlotPriorityStartCode) {
        return Verdict::OtherStartCode;
    }
    const bool inRange = std::ranges::all_of(
        m_bytes.subspan(kSlotsAt), [](std::uint8_t priority) { return priority <= kMaxPriority; });
    return inRange ? Verdict::Data : Verdict::BadSlotPriority;
}

SacnPacket::Cid SacnPacket::SourceCid() const {
    Cid cid{};
    if (!IsData()) {
        return cid;
    }
    std::ranges::copy(m_bytes.subspan(kCidAt, cid.size()), cid.begin());
    return cid;
}

std::string_view SacnPacket::SourceName() const {
    if (!IsData()) {
        return {};
    }
    const Bytes field = m_bytes.subspan(kSourceNameAt, kSourceNameSize);
    const auto end = std::ranges::find(field, '\0');
    return {reinterpret_cast<const char*>(field.data()),
            static_cast<std::size_t>(end - field.begin())};
}

std::uint8_t SacnPacket::Priority() const {
    return IsData() ? m_bytes[kPriorityAt] : 0;
}

std::uint8_t SacnPacket::Sequence() const {
    return IsData() ? m_bytes[kSequenceAt] : 0;
}

std::uint8_t SacnPacket::Options() const {
    return IsData() ? m_bytes[kOptionsAt] : 0;
}

std::uint16_t SacnPacket::Universe() const {
    return IsData() ? Read16(m_bytes, kUniverseAt) : 0;
}

std::uint8_t SacnPacket::StartCode() const {
    return IsData() ? m_bytes[kStartCodeAt] : 0;
}

std::span<const std::uint8_t> SacnPacket::Slots() const {
    return IsData() ? m_bytes.subspan(kSlotsAt) : Bytes{};
}

}  // namespace dimrix::bridge
