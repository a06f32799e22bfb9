#pragma once

#include <cstddef>
#include <span>

#include "protocol/Protocol.h"

namespace dimrix::serial {

// The operating system's end of the line: the driver that the transmit queue hands
// bytes to. The real port and test lines implement it alike.
class LineDriver {
public:
    virtual ~LineDriver() = default;
    // Hands bytes to the driver and returns how many it took; 0 when it is full for now,
    // which is back-pressure, never a fault. Throws LinkError when the device failed.
    virtual std::size_t Accept(std::span<const protocol::Byte> bytes) = 0;
    // Bytes the driver still holds for the wire, as far as the system tells; 0 where it
    // cannot tell.
    [[nodiscard]] virtual std::size_t Holds() const = 0;
};

}  // namespace dimrix::serial
