#include "support/CountingPort.h"

namespace dimrix::bench {

// Out of line on purpose: the panel reaches the port through a virtual call, and the
// bench should pay for that call just as the real port does.
void CountingPort::Write(protocol::Byte value) {
    ++m_tally.bytes;
    m_tally.sum += value;
}

std::string CountingPort::PortDescription(std::int16_t portNumber) const {
    return "counting port " + std::to_string(portNumber);
}

std::string CountingPort::PortDevice(std::int16_t portNumber) const {
    return "COM" + std::to_string(portNumber);
}

}  // namespace dimrix::bench
