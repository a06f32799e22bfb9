#pragma once

#include <functional>
#include <span>
#include <string>

#include "protocol/Protocol.h"

namespace dimrix::monitor {

// Where the monitored bytes come from: a serial device, or the virtual line. Read only:
// a source has no way to write to the line. Needs a running Qt event loop.
class LineSource {
public:
    // Bytes read, in line order; called from the event loop.
    using BytesHandler = std::function<void(std::span<const protocol::Byte>)>;
    // The device went away, and why; the source is closed by the time this is called.
    using LostHandler = std::function<void(const std::string&)>;

    virtual ~LineSource() = default;
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    void SetHandlers(BytesHandler onBytes, LostHandler onLost) {
        m_onBytes = std::move(onBytes);
        m_onLost = std::move(onLost);
    }

    // The path an operator knows the line by ("/dev/ttyUSB0", "/dev/pts/4").
    [[nodiscard]] virtual std::string Device() const = 0;
    // Starts reading. Throws LinkError naming the device and the system's reason.
    virtual void Open() = 0;

protected:
    LineSource() = default;

    void Deliver(std::span<const protocol::Byte> bytes) const {
        if (m_onBytes) {
            m_onBytes(bytes);
        }
    }
    void ReportLost(const std::string& reason) const {
        if (m_onLost) {
            m_onLost(reason);
        }
    }

private:
    BytesHandler m_onBytes;
    LostHandler m_onLost;
};

}  // namespace dimrix::monitor
