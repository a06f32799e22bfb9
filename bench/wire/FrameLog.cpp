#include "wire/FrameLog.h"

namespace dimrix::bench {

FrameLog::FrameLog(const WireReader& reader, std::size_t count) {
    std::vector<std::uint8_t> frame;
    frame.reserve(protocol::kAddressFrameSize);
    for (std::size_t index = 0; index < count; ++index) {
        const std::uint8_t value = reader.Byte(index);
        frame.push_back(value);
        if (value != protocol::kFrameEnd) {
            continue;
        }
        const bool isAddressFrame = frame.size() == protocol::kAddressFrameSize &&
                                    frame.front() >= protocol::kFirstAddress &&
                                    frame.front() <= protocol::kLastAddress;
        if (isAddressFrame) {
            ArrivedFrame arrived;
            arrived.address = frame.front();
            for (std::size_t channel = 0; channel < arrived.levels.size(); ++channel) {
                arrived.levels[channel] = frame[channel + 1];
            }
            arrived.end = reader.Time(index);
            m_frames.push_back(arrived);
        } else {
            ++m_malformed;
        }
        frame.clear();
    }
}

}  // namespace dimrix::bench
