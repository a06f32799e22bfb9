#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace dimrix::bridge {

// One E1.31 datagram, read in place: the packet views the datagram's bytes and is valid
// only while they are. Data is what the merge reads: a well-formed data packet, not
// preview, carrying levels (start code 0) or per-slot priorities (0xDD, every value 0 to
// 200), or any start code at all when it says the stream terminates. Everything else
// says why it was refused, so the program can count each kind.
class SacnPacket {
public:
    using Cid = std::array<std::uint8_t, 16>;

    enum class Verdict {
        Data,             // a data packet to merge
        Extended,         // synchronisation or discovery: read, not used
        TooShort,         // shorter than the headers of a data packet
        NotAcn,           // preamble, postamble or packet identifier wrong
        BadPdu,           // a layer's flags or length disagree with the datagram
        UnknownVector,    // root or framing vector of no data packet
        BadDmp,           // DMP vector, address and data type, first address or increment
        BadCount,         // property value count disagrees with the length, or over 513
        BadPriority,      // over 200
        BadUniverse,      // 0 or above 63999
        Preview,          // for a sender's visualiser, never for the stage
        BadSlotPriority,  // a per-slot priority over 200
        OtherStartCode,   // neither levels nor per-slot priorities
    };
    static constexpr std::size_t kVerdictCount = 13;

    static constexpr std::uint16_t kPreambleSize = 0x0010;
    static constexpr std::uint16_t kPostambleSize = 0x0000;
    static constexpr std::array<std::uint8_t, 12> kPacketIdentifier{
        'A', 'S', 'C', '-', 'E', '1', '.', '1', '7', '\0', '\0', '\0'};
    static constexpr std::uint32_t kRootVectorData = 0x00000004;
    static constexpr std::uint32_t kRootVectorExtended = 0x00000008;
    static constexpr std::uint32_t kFramingVectorData = 0x00000002;
    static constexpr std::uint8_t kDmpVectorSetProperty = 0x02;
    static constexpr std::uint8_t kAddressAndDataType = 0xa1;
    static constexpr std::uint16_t kFirstPropertyAddress = 0x0000;
    static constexpr std::uint16_t kAddressIncrement = 0x0001;
    static constexpr std::uint8_t kPduFlags = 0x7;
    static constexpr std::uint8_t kMaxPriority = 200;
    static constexpr std::uint16_t kFirstUniverse = 1;
    static constexpr std::uint16_t kLastUniverse = 63999;
    static constexpr std::uint8_t kDmxStartCode = 0x00;
    static constexpr std::uint8_t kSlotPriorityStartCode = 0xdd;
    static constexpr std::size_t kMaxSlots = 512;
    static constexpr std::uint8_t kOptionPreview = 0x80;
    static constexpr std::uint8_t kOptionTerminated = 0x40;
    static constexpr std::size_t kSourceNameSize = 64;

    // Where each field begins.
    static constexpr std::size_t kRootPduAt = 16;
    static constexpr std::size_t kRootVectorAt = 18;
    static constexpr std::size_t kCidAt = 22;
    static constexpr std::size_t kFramingPduAt = 38;
    static constexpr std::size_t kFramingVectorAt = 40;
    static constexpr std::size_t kSourceNameAt = 44;
    static constexpr std::size_t kPriorityAt = 108;
    static constexpr std::size_t kSequenceAt = 111;
    static constexpr std::size_t kOptionsAt = 112;
    static constexpr std::size_t kUniverseAt = 113;
    static constexpr std::size_t kDmpPduAt = 115;
    static constexpr std::size_t kDmpVectorAt = 117;
    static constexpr std::size_t kAddressTypeAt = 118;
    static constexpr std::size_t kFirstAddressAt = 119;
    static constexpr std::size_t kIncrementAt = 121;
    static constexpr std::size_t kCountAt = 123;
    static constexpr std::size_t kStartCodeAt = 125;
    static constexpr std::size_t kSlotsAt = 126;

    explicit SacnPacket(std::span<const std::uint8_t> datagram);

    [[nodiscard]] Verdict Judged() const { return m_verdict; }
    [[nodiscard]] bool IsData() const { return m_verdict == Verdict::Data; }

    // The fields below mean something only for Data; otherwise they read as empty or 0.
    [[nodiscard]] Cid SourceCid() const;
    // Up to the first NUL; the bytes as sent, which need not be valid UTF-8.
    [[nodiscard]] std::string_view SourceName() const;
    [[nodiscard]] std::uint8_t Priority() const;
    [[nodiscard]] std::uint8_t Sequence() const;
    [[nodiscard]] std::uint8_t Options() const;
    // The source stops sending: its data must be released at once, not merged.
    [[nodiscard]] bool Terminated() const { return (Options() & kOptionTerminated) != 0; }
    [[nodiscard]] std::uint16_t Universe() const;
    [[nodiscard]] std::uint8_t StartCode() const;
    // The slots after the start code, slot 1 first: levels, or per-slot priorities.
    [[nodiscard]] std::span<const std::uint8_t> Slots() const;

private:
    [[nodiscard]] Verdict Judge() const;

    std::span<const std::uint8_t> m_bytes;
    Verdict m_verdict = Verdict::TooShort;
};

}  // namespace dimrix::bridge
