#include "support/RecordingPort.h"

#include <stdexcept>

#include "serial/LinkError.h"

namespace dimrix::testing {

void RecordingPort::SetPortNumber(std::int16_t portNumber) {
    m_log.calls.push_back("SetPortNumber " + std::to_string(portNumber));
}

void RecordingPort::SetSettings(const serial::LineSettings& settings) {
    m_log.calls.push_back("SetSettings " + settings.Text());
}

void RecordingPort::Open() {
    if (m_log.open) {
        throw std::logic_error("port opened twice");
    }
    m_log.calls.push_back("Open");
    if (m_log.failOpenWith) {
        throw serial::LinkError(*m_log.failOpenWith, "/dev/ttyTEST: no such device");
    }
    m_log.open = true;
}

void RecordingPort::Close() {
    if (!m_log.open) {
        throw std::logic_error("closed a closed port");
    }
    m_log.calls.push_back("Close");
    m_log.open = false;
}

void RecordingPort::SetReceiveThreshold(std::int16_t threshold) {
    m_log.calls.push_back("SetReceiveThreshold " + std::to_string(threshold));
}

void RecordingPort::Write(protocol::Byte value) {
    if (m_log.failWriteAfter && m_log.bytes.size() >= *m_log.failWriteAfter) {
        m_log.cuts.push_back(m_log.bytes.size());
        throw serial::LinkError(m_log.failWriteWith, "write refused");
    }
    m_log.bytes.push_back(value);
}

std::string RecordingPort::PortDescription(std::int16_t portNumber) const {
    return "test port " + std::to_string(portNumber);
}

std::string RecordingPort::PortDevice(std::int16_t portNumber) const {
    return "COM" + std::to_string(portNumber);
}

}  // namespace dimrix::testing
