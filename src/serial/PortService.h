#pragma once

#include <cstdint>
#include <string>

#include "protocol/Protocol.h"
#include "serial/LineSettings.h"
#include "serial/PortNumbers.h"

namespace dimrix::serial {

// The serial device behind the link. The link drives it property by property, in the
// order the boards' line needs; the real port and test doubles implement it alike.
// Failing operations throw LinkError.
class PortService {
public:
    virtual ~PortService() = default;

    // Which port Open() will use: 1 for COM1, 2 for COM2.
    virtual void SetPortNumber(std::int16_t portNumber) = 0;
    // Line settings Open() will apply.
    virtual void SetSettings(const LineSettings& settings) = 0;
    // Opens the chosen port with the chosen settings.
    virtual void Open() = 0;
    // Closes the port; only called while it is open.
    virtual void Close() = 0;
    [[nodiscard]] virtual bool IsOpen() const = 0;
    // Bytes that must arrive before the port signals a read; nothing listens for it.
    virtual void SetReceiveThreshold(std::int16_t threshold) = 0;
    // Queues one byte for the wire and returns without waiting for it to leave.
    virtual void Write(protocol::Byte value) = 0;
    // The device a port number stands for, for the operator ("/dev/ttyUSB0 — FT232R").
    [[nodiscard]] virtual std::string PortDescription(std::int16_t portNumber) const = 0;
    // The device Open() opens for a port number ("/dev/ttyUSB0", "COM1").
    [[nodiscard]] virtual std::string PortDevice(std::int16_t portNumber) const = 0;
};

}  // namespace dimrix::serial
