#include "protocol/LineDecoder.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>

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
        Discard(Malformation::Torn);
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
    Discard(Malformation::Torn);
    const bool level = byteClass == ByteClass::Level;
    Reject({&value, 1}, level ? Malformation::StrayLevel : Malformation::Unused);
}

void LineDecoder::Begin(Byte value) {
    m_frame.front() = value;
    m_length = 1;
}

void LineDecoder::End() {
    if (m_length == 0) {
        const Byte end = kFrameEnd;
        Reject({&end, 1}, Malformation::StrayEnd);
        return;
    }
    // A body shorter than a full one leaves room for the terminator.
    const bool complete = m_length == BodyLength(ClassOf(m_frame.front()));
    m_frame[m_length++] = kFrameEnd;
    if (!complete) {
        Discard(Malformation::Short);
        return;
    }
    const DecodedFrame frame = Decoded();
    m_length = 0;
    std::visit(
        [this]<typename Frame>(const Frame& decoded) {
            if constexpr (std::is_same_v<Frame, DecodedAddressFrame>) {
                m_boards[static_cast<std::size_t>(decoded.address - kFirstAddress)] =
                    decoded.levels;
            } else {
                for (ChannelLevels& board : m_boards) {
                    board.fill(decoded.level);
                }
            }
        },
        frame);
    ++m_frames;
    if (m_listener != nullptr) {
        m_listener->OnFrame(frame);
    }
}

DecodedFrame LineDecoder::Decoded() const {
    const Byte first = m_frame.front();
    switch (ClassOf(first)) {
        case ByteClass::Address: {
            DecodedAddressFrame frame{static_cast<Address>(first), {}};
            std::copy_n(m_frame.begin() + 1, kChannelCount, frame.levels.begin());
            return frame;
        }
        case ByteClass::Preset:
            return DecodedPresetFrame{first, PresetLevelOf(first).value()};
        case ByteClass::Master:
            return DecodedMasterFrame{static_cast<Level>(m_frame[1])};
        case ByteClass::Level:
        case ByteClass::FrameEnd:
        case ByteClass::Unused:
            break;
    }
    throw std::logic_error("no frame begins with " + std::to_string(first));
}

void LineDecoder::Discard(Malformation why) {
    const std::size_t length = m_length;
    m_length = 0;
    if (length > 0) {
        Reject(std::span(m_frame).first(length), why);
    }
}

void LineDecoder::Reject(std::span<const Byte> bytes, Malformation why) {
    ++m_malformed;
    if (m_listener != nullptr) {
        m_listener->OnMalformed(bytes, why);
    }
}

const ChannelLevels& LineDecoder::Board(Address address) const {
    if (address < kFirstAddress || address > kLastAddress) {
        throw std::out_of_range("address " + std::to_string(address) + " is not 128 to 158");
    }
    return m_boards[static_cast<std::size_t>(address - kFirstAddress)];
}

}  // namespace dimrix::protocol
