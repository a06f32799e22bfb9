#include "serial/qt/QtPortService.h"

#include <QSerialPortInfo>
#include <string>
#include <utility>
#include <vector>

#include "serial/LinkError.h"
#include "serial/SerialLink.h"
#include "serial/qt/QtSerialDevice.h"

namespace dimrix::serial {

namespace {

// The ports the system lists. On Linux Qt lists a built-in UART only after opening it
// and finding a UART behind it, so a port held exclusively (by this program too) and a
// ttyS device without hardware both stay out of the list.
std::vector<PortEntry> ListedPorts() {
    std::vector<PortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.push_back({info.portName().toStdString(), info.description().toStdString()});
    }
    return ports;
}

}  // namespace

QtPortService::QtPortService() : m_device(std::make_unique<QtSerialDevice>()) {
    ResolvePorts();
}

QtPortService::QtPortService(PortPaths fixedPaths)
    : m_fixedPaths(std::move(fixedPaths)), m_device(std::make_unique<QtSerialDevice>()) {
    ResolvePorts();
}

QtPortService::~QtPortService() = default;

void QtPortService::ResolvePorts() {
    m_portMap = m_fixedPaths ? PortMap::Fixed(m_fixedPaths->com1, m_fixedPaths->com2)
                             : PortMap::Resolve(ListedPorts(), kHostPlatform);
}

void QtPortService::SetPortNumber(std::int16_t portNumber) {
    m_portNumber = portNumber;
}

void QtPortService::SetSettings(const LineSettings& settings) {
    QtSerialDevice::CheckSettings(settings);
    m_settings = settings;
}

void QtPortService::Open() {
    // Resolved here, after the connect has closed the old port: the system lists a UART
    // only if it can open it, and this program's own port would otherwise be missing.
    ResolvePorts();
    if (m_portNumber != kFirstPort && m_portNumber != kSecondPort) {
        throw LinkError(errors::kDeviceNotFound,
                        "COM" + std::to_string(m_portNumber) + ": no such port");
    }
    m_device->Open(m_portMap.Port(m_portNumber).device, m_settings);
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
    return m_portMap.Describe(portNumber);
}

}  // namespace dimrix::serial
