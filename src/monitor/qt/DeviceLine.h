#pragma once

#include <QSerialPort>
#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "monitor/qt/LineSource.h"

namespace dimrix::monitor {

// A serial device clipped onto the line, opened read-only at the boards' settings without
// flow control. Reads in chunks of at most kChunkSize, through a read buffer bounded to
// the same, so a flood of junk costs time but never memory.
class DeviceLine : public LineSource {
public:
    static constexpr std::size_t kChunkSize = 4096;

    explicit DeviceLine(std::string device);
    ~DeviceLine() override;

    [[nodiscard]] std::string Device() const override { return m_device; }
    void Open() override;

private:
    void ReadChunk();
    void OnError(QSerialPort::SerialPortError error);
    [[nodiscard]] bool DeviceHungUp() const;

    std::string m_device;
    bool m_lost = false;
    std::array<char, kChunkSize> m_buffer{};
    std::unique_ptr<QSerialPort> m_port = std::make_unique<QSerialPort>();
};

}  // namespace dimrix::monitor
