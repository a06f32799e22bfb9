#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "bridge/ArtNetAddress.h"

namespace dimrix::bridge {

// One Art-Net datagram, read in place: the packet views the datagram's bytes and is valid
// only while they are. ArtDmx is merged, ArtPoll answered, anything else dropped with
// the reason, so the program can count each kind.
class ArtNetPacket {
public:
    enum class Verdict {
        Dmx,          // ArtDmx to merge
        Poll,         // ArtPoll: answer with ArtPollReply
        TooShort,     // shorter than its OpCode's header
        NotArtNet,    // no "Art-Net" identifier
        OldProtocol,  // protocol version below 14
        OtherOpCode,  // an OpCode the bridge has no use for
        BadLength,    // DMX length 0, over 512 or beyond the datagram
        BadNet,       // Net above 0x7f: no 15-bit Port-Address
    };
    static constexpr std::size_t kVerdictCount = 8;

    static constexpr std::array<std::uint8_t, 8> kId{'A', 'r', 't', '-', 'N', 'e', 't', '\0'};
    static constexpr std::uint16_t kOpPoll = 0x2000;
    static constexpr std::uint16_t kOpPollReply = 0x2100;
    static constexpr std::uint16_t kOpDmx = 0x5000;
    static constexpr std::uint16_t kProtocolVersion = 14;
    static constexpr std::uint16_t kPort = 6454;
    static constexpr std::size_t kMaxSlots = 512;
    // Sequence 0: the sender does not number its packets.
    static constexpr std::uint8_t kUnsequenced = 0;

    // Where each field begins.
    static constexpr std::size_t kOpCodeAt = 8;
    static constexpr std::size_t kVersionAt = 10;
    static constexpr std::size_t kSequenceAt = 12;
    static constexpr std::size_t kPhysicalAt = 13;
    static constexpr std::size_t kSubUniAt = 14;
    static constexpr std::size_t kNetAt = 15;
    static constexpr std::size_t kLengthAt = 16;
    static constexpr std::size_t kDataAt = 18;
    // ArtPoll: id, OpCode, version, flags, diagnostics priority.
    static constexpr std::size_t kPollSize = 14;

    explicit ArtNetPacket(std::span<const std::uint8_t> datagram);

    [[nodiscard]] Verdict Judged() const { return m_verdict; }

    // The fields below mean something only for Dmx; otherwise they read as empty or 0.
    [[nodiscard]] std::uint8_t Sequence() const;
    [[nodiscard]] std::uint8_t Physical() const;
    [[nodiscard]] ArtNetAddress Address() const;
    // The DMX slots, slot 1 first: as many as the Length field says, odd counts included
    // (the standard asks senders for even ones, and not all do).
    [[nodiscard]] std::span<const std::uint8_t> Slots() const;

private:
    [[nodiscard]] Verdict Judge() const;
    [[nodiscard]] bool IsDmx() const { return m_verdict == Verdict::Dmx; }

    std::span<const std::uint8_t> m_bytes;
    Verdict m_verdict = Verdict::TooShort;
};

}  // namespace dimrix::bridge
