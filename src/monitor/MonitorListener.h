#pragma once

#include <chrono>
#include <span>

#include "protocol/DecodeListener.h"
#include "protocol/Protocol.h"

namespace dimrix::monitor {

// Told of each frame and each malformed unit as the monitor reads it (text mode prints
// them), with the time since the monitor started.
class MonitorListener {
public:
    virtual ~MonitorListener() = default;
    virtual void OnFrame(std::chrono::nanoseconds sinceStart,
                         const protocol::DecodedFrame& frame) = 0;
    virtual void OnMalformed(std::chrono::nanoseconds sinceStart,
                             std::span<const protocol::Byte> bytes, protocol::Malformation why) = 0;
    // Everything one read brought has been told: the moment to pass it on in one piece.
    virtual void OnReadDone() {}

protected:
    MonitorListener() = default;
    MonitorListener(const MonitorListener&) = default;
    MonitorListener& operator=(const MonitorListener&) = default;
};

}  // namespace dimrix::monitor
