#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "protocol/Protocol.h"
#include "serial/PortService.h"

namespace dimrix::serial {

// The one serial line to the boards. Sends are byte by byte so that a failure stops a
// frame at the failing byte; nothing is ever retried.
class SerialLink {
public:
    explicit SerialLink(std::unique_ptr<PortService> port);

    [[nodiscard]] bool IsOpen() const;
    // Port number, then settings, then open, then receive threshold: the device sees
    // its settings before it opens, and only an open port gets the threshold.
    void Open(std::int16_t portNumber);
    void Close();
    // Throws LinkError: errors::kPortNotOpen on a closed port, the port's own number
    // for any other failure.
    void SendByte(protocol::Byte value);
    // SendByte for each byte in order, stopping at the first failure.
    void SendBytes(std::span<const protocol::Byte> bytes);
    [[nodiscard]] std::string PortDescription(std::int16_t portNumber) const;
    [[nodiscard]] std::string PortDevice(std::int16_t portNumber) const;

private:
    std::unique_ptr<PortService> m_port;
};

}  // namespace dimrix::serial
