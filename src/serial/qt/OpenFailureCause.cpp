#include "serial/qt/OpenFailureCause.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace dimrix::serial {

namespace {

constexpr std::string_view kDevicePrefix = "/dev/";
constexpr std::string_view kLockPrefix = "LCK..";
constexpr char kPathSeparator = '/';
constexpr char kLockNameSeparator = '_';

}  // namespace

OpenFailureCause::OpenFailureCause(std::string device) : m_device(std::move(device)) {
    std::string name =
        m_device.starts_with(kDevicePrefix) ? m_device.substr(kDevicePrefix.size()) : m_device;
    std::ranges::replace(name, kPathSeparator, kLockNameSeparator);
    m_lockName = std::string(kLockPrefix) + name;
}

LinkError OpenFailureCause::Explain(QSerialPort::SerialPortError error,
                                    const std::string& reason) const {
    const Finding finding = error == QSerialPort::PermissionError
                                ? ExamineRefusal(reason)
                                : Finding{OpenRefusal::None, reason};
    return LinkError(OpenFailureNumber(error, finding.refusal), m_device + ": " + finding.detail);
}

}  // namespace dimrix::serial
