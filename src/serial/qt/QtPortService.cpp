#include "serial/qt/QtPortService.h"

#include <string>
#include <utility>
#include <vector>

#include "serial/LinkError.h"
#include "serial/SerialLink.h"
#include "serial/qt/PortListing.h"
#include "serial/qt/QtSerialDevice.h"

namespace dimrix::serial {

QtPortService::QtPortService(PortPaths given)
    : m_given(std::move(given)), m_device(std::make_unique<QtSerialDevice>()) {}

QtPortService::~QtPortService() = default;

void QtPortService::ResolvePorts() const {
    // With both ports named there is nothing to look up.
    const bool bothGiven = !m_given.com1.empty() && !m_given.com2.empty();
    m_portMap = PortMap::Resolve(bothGiven ? std::vector<PortEntry>{} : PortListing::Present(),
                                 kHostPlatform, m_given);
}

const std::string& QtPortService::GivenDevice(std::int16_t portNumber) const {
    static const std::string kNone;
    if (portNumber == kFirstPort) {
        return m_given.com1;
    }
    return portNumber == kSecondPort ? m_given.com2 : kNone;
}

const PortMap& QtPortService::Ports() const {
    if (!m_portMap) {
        ResolvePorts();
    }
    return *m_portMap;
}

void QtPortService::SetPortNumber(std::int16_t portNumber) {
    m_portNumber = portNumber;
}

void QtPortService::SetSettings(const LineSettings& settings) {
    QtSerialDevice::CheckSettings(settings);
    m_settings = settings;
}

void QtPortService::Open() {
    if (m_portNumber != kFirstPort && m_portNumber != kSecondPort) {
        throw LinkError(errors::kDeviceNotFound,
                        "COM" + std::to_string(m_portNumber) + ": no such port");
    }
    // A device the operator named is opened as named, without listing the host's ports:
    // on Linux the list is made by opening every UART, the kernel console's too.
    if (const std::string& given = GivenDevice(m_portNumber); !given.empty()) {
        OpenDevice(given);
        return;
    }
    // Resolved here, after the connect has closed the old port: the system lists a UART
    // only if it can open it, and this program's own port would otherwise be missing.
    ResolvePorts();
    const PortMap& ports = Ports();
    try {
        OpenDevice(ports.Port(m_portNumber).device);
    } catch (const LinkError& error) {
        const std::string note = ports.ConsoleNote(m_portNumber);
        if (note.empty()) {
            throw;
        }
        throw LinkError(error.Number(), std::string(error.what()) + "\n\n" + note);
    }
}

void QtPortService::OpenDevice(const std::string& device) {
    m_device->Open(device, m_settings);
}

void QtPortService::Close() {
    m_device->Close();
}

bool QtPortService::IsOpen() const {
    return m_device->IsOpen();
}

void QtPortService::SetReceiveThreshold(std::int16_t threshold) {
    m_receiveThreshold = threshold;
}

void QtPortService::Write(protocol::Byte value) {
    m_device->Write(value);
}

std::size_t QtPortService::QueuedBytes() const {
    return m_device->Waiting();
}

std::string QtPortService::PortDescription(std::int16_t portNumber) const {
    return Ports().Describe(portNumber);
}

std::string QtPortService::PortDevice(std::int16_t portNumber) const {
    if (const std::string& given = GivenDevice(portNumber); !given.empty()) {
        return given;
    }
    return Ports().Port(portNumber).device;
}

}  // namespace dimrix::serial
