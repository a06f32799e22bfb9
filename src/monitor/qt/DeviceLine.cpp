#include "monitor/qt/DeviceLine.h"

#include "serial/LineSettings.h"

namespace dimrix::monitor {

void DeviceLine::Open() {
    m_device.Open(m_path, serial::kBoardLineSettings, serial::SerialDevice::Direction::Receive);
}

}  // namespace dimrix::monitor
