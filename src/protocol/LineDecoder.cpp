#include "protocol/LineDecoder.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace dimrix::protocol {

namespace {

// Bytes before the terminator: the frame's first byte and its level bytes.
std::size_t BodyLength(ByteClass first) {
    const std::size_t size = FrameSizeStartedBy(first);
    return size == 0 ? 0 : size - 1;
}

}  // namespace

void LineDecoder::Feed(std::span<const Byte> bytes) {
    for (const Byte value : bytes) {
        Feed(value);
    }
}

void LineDecoder::Feed(Byte value) {
    const ByteClass byteClass = ClassOf(value);
    if (StartsFrame(byteClass)) {
        // A new frame cuts off one still open: the boards drop the unfinished one.
        Discard();
        Begin(value);
        return;
    }
    if (byteClass == ByteClass::FrameEnd) {
        End();
        return;
    }
    const std::size_t body = m_length > 0 ? BodyLength(ClassOf(m_frame.front())) : 0;
    if (byteClass == ByteClass::Level && m_length > 0 && m_length < body) {
        m_frame[m_length++] = value;
        return;
    }
    // A level with no frame to go into, one too many, or a value never sent.
    Discard();
    ++m_malformed;
}

void LineDecoder::Begin(Byte value) {
    m_frame.front() = value;
    m_length = 1;
}

void LineDecoder::End() {
    if (m_length == 0) {
        ++m_malformed;
        return;
    }
    if (m_length != BodyLength(ClassOf(m_frame.front()))) {
        Discard();
        return;
    }
    const Byte first = m_frame.front();
    switch (ClassOf(first)) {
        case ByteClass::Address: {
            ChannelLevels& board = m_boards[static_cast<std::size_t>(first - kFirstAddress)];
            std::copy_n(m_frame.begin() + 1, kChannelCount, board.begin());
            break;
        }
        case ByteClass::Master:
            for (ChannelLevels& board : m_boards) {
                board.fill(m_frame[1]);
            }
            break;
        default:
            for (ChannelLevels& board : m_boards) {
                board.fill(PresetLevelOf(first).value_or(kMinLevel));
            }
            break;
    }
    ++m_frames;
    m_length = 0;
}

void LineDecoder::Discard() {
    if (m_length > 0) {
        ++m_malformed;
    }
    m_length = 0;
}

const ChannelLevels& LineDecoder::Board(Address address) const {
    if (address < kFirstAddress || address > kLastAddress) {
        throw std::out_of_range("address " + std::to_string(address) + " is not 128 to 158");
    }
    return m_boards[static_cast<std::size_t>(address - kFirstAddress)];
}

}  // namespace dimrix::protocol
