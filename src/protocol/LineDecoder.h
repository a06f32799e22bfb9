#pragma once

/// @file
/// The line as the boards read it: bytes in, the eight levels of every board out. Written
/// from the byte classes alone, never from the encoders, so that it can judge them.

#include <array>
#include <cstddef>
#include <span>

#include "protocol/ByteClass.h"
#include "protocol/DecodeListener.h"
#include "protocol/Frames.h"
#include "protocol/Protocol.h"

namespace dimrix::protocol {

/// Decodes a byte stream into the state of the 31 boards. A frame takes effect only when
/// its terminator arrives with the right number of level bytes before it; anything else
/// (a frame cut short by the next frame's first byte, a terminator out of place, a stray
/// level, an unused byte value) is counted as malformed and changes no board.
class LineDecoder {
public:
    /// The eight channel levels of every board, address kFirstAddress first.
    using Boards = std::array<ChannelLevels, kAddressCount>;

    /// @param listener told of each frame and malformed unit as it is read; may be null,
    ///                 and must outlive the decoder otherwise
    explicit LineDecoder(DecodeListener* listener = nullptr) : m_listener(listener) {}

    /// Reads one byte.
    void Feed(Byte value);
    /// Reads every byte in order.
    void Feed(std::span<const Byte> bytes);

    /// What the boards hold now; every board starts with every channel at kMinLevel.
    [[nodiscard]] const Boards& State() const { return m_boards; }
    /// The levels of one board.
    /// @throws std::out_of_range for an address outside kFirstAddress to kLastAddress
    [[nodiscard]] const ChannelLevels& Board(Address address) const;
    /// Frames that took effect.
    [[nodiscard]] std::size_t Frames() const { return m_frames; }
    /// Frames or bytes that took no effect because they were torn or out of place.
    [[nodiscard]] std::size_t Malformed() const { return m_malformed; }
    /// Whether a frame has begun and not yet ended (a torn end of stream).
    [[nodiscard]] bool InFrame() const { return m_length > 0; }

private:
    void Begin(Byte value);
    void End();
    /// What the complete frame being read sets.
    [[nodiscard]] DecodedFrame Decoded() const;
    void Discard(Malformation why);
    void Reject(std::span<const Byte> bytes, Malformation why);

    DecodeListener* m_listener = nullptr;
    Boards m_boards{};
    // The frame being read: its first byte and the level bytes after it, then room for
    // its terminator, so a malformed unit is shown whole.
    std::array<Byte, kAddressFrameSize> m_frame{};
    std::size_t m_length = 0;
    std::size_t m_frames = 0;
    std::size_t m_malformed = 0;
};

}  // namespace dimrix::protocol
