#pragma once

#include <string>

#include "monitor/qt/LineSource.h"
#include "serial/qt/DeviceListener.h"
#include "serial/qt/SerialDevice.h"

namespace dimrix::monitor {

// A serial device clipped onto the line, opened read-only at the boards' settings without
// flow control, read in bounded chunks (serial::SerialDevice).
class DeviceLine : public LineSource, private serial::DeviceListener {
public:
    explicit DeviceLine(std::string device) : m_path(std::move(device)) {}

    [[nodiscard]] std::string Device() const override { return m_path; }
    void Open() override;

private:
    void OnBytesRead(std::span<const protocol::Byte> bytes) override { Deliver(bytes); }
    void OnDeviceLost(const serial::LinkError& fault) override { ReportLost(fault.what()); }

    std::string m_path;
    serial::SerialDevice m_device{*this};
};

}  // namespace dimrix::monitor
