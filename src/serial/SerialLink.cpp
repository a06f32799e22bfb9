#include "serial/SerialLink.h"

#include <stdexcept>

#include "serial/ErrorNumber.h"
#include "serial/LineSettings.h"
#include "serial/LinkError.h"

namespace dimrix::serial {

namespace {
// The panel reads nothing from the line; the threshold is set anyway, as the last step
// of every open, so that each open leaves the port in the same known state.
constexpr std::int16_t kReceiveThreshold = 1;
}  // namespace

SerialLink::SerialLink(std::unique_ptr<PortService> port) : m_port(std::move(port)) {
    if (!m_port) {
        throw std::invalid_argument("SerialLink needs a port");
    }
}

bool SerialLink::IsOpen() const {
    return m_port->IsOpen();
}

void SerialLink::Open(std::int16_t portNumber) {
    m_port->SetPortNumber(portNumber);
    m_port->SetSettings(kBoardLineSettings);
    m_port->Open();
    m_port->SetReceiveThreshold(kReceiveThreshold);
}

void SerialLink::Close() {
    m_port->Close();
}

void SerialLink::SendByte(protocol::Byte value) {
    if (!m_port->IsOpen()) {
        throw LinkError(errors::kPortNotOpen, "the port is not open");
    }
    m_port->Write(value);
}

void SerialLink::SendBytes(std::span<const protocol::Byte> bytes) {
    for (const protocol::Byte value : bytes) {
        SendByte(value);
    }
}

std::string SerialLink::PortDescription(std::int16_t portNumber) const {
    return m_port->PortDescription(portNumber);
}

std::string SerialLink::PortDevice(std::int16_t portNumber) const {
    return m_port->PortDevice(portNumber);
}

}  // namespace dimrix::serial
