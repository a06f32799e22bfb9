#include "bridge/ArtNetPacket.h"

#include <algorithm>

namespace dimrix::bridge {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr unsigned kBitsPerByte = 8;

std::uint16_t ReadBigEndian(Bytes bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << kBitsPerByte | bytes[at + 1]);
}

// OpCodes alone are sent low byte first.
std::uint16_t ReadLittleEndian(Bytes bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at + 1] << kBitsPerByte | bytes[at]);
}

}  // namespace

ArtNetPacket::ArtNetPacket(std::span<const std::uint8_t> datagram) : m_bytes(datagram) {
    m_verdict = Judge();
}

ArtNetPacket::Verdict ArtNetPacket::Judge() const {
    if (m_bytes.size() < kVersionAt) {
        return m_bytes.size() >= kId.size() && !std::ranges::equal(m_bytes.first(kId.size()), kId)
                   ? Verdict::NotArtNet
                   : Verdict::TooShort;
    }
    if (!std::ranges::equal(m_bytes.first(kId.size()), kId)) {
        return Verdict::NotArtNet;
    }
    const std::uint16_t opCode = ReadLittleEndian(m_bytes, kOpCodeAt);
    if (opCode != kOpDmx && opCode != kOpPoll) {
        return Verdict::OtherOpCode;
    }
    if (m_bytes.size() < (opCode == kOpPoll ? kPollSize : kDataAt)) {
        return Verdict::TooShort;
    }
    if (ReadBigEndian(m_bytes, kVersionAt) < kProtocolVersion) {
        return Verdict::OldProtocol;
    }
    if (opCode == kOpPoll) {
        return Verdict::Poll;
    }
    const std::uint16_t length = ReadBigEndian(m_bytes, kLengthAt);
    if (length == 0 || length > kMaxSlots || length > m_bytes.size() - kDataAt) {
        return Verdict::BadLength;
    }
    if (!ArtNetAddress::FromSubUniAndNet(m_bytes[kSubUniAt], m_bytes[kNetAt])) {
        return Verdict::BadNet;
    }
    return Verdict::Dmx;
}

std::uint8_t ArtNetPacket::Sequence() const {
    return IsDmx() ? m_bytes[kSequenceAt] : 0;
}

std::uint8_t ArtNetPacket::Physical() const {
    return IsDmx() ? m_bytes[kPhysicalAt] : 0;
}

ArtNetAddress ArtNetPacket::Address() const {
    if (!IsDmx()) {
        return {};
    }
    return ArtNetAddress::FromSubUniAndNet(m_bytes[kSubUniAt], m_bytes[kNetAt])
        .value_or(ArtNetAddress{});
}

std::span<const std::uint8_t> ArtNetPacket::Slots() const {
    return IsDmx() ? m_bytes.subspan(kDataAt, ReadBigEndian(m_bytes, kLengthAt)) : Bytes{};
}

}  // namespace dimrix::bridge
