#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "serial/LineSettings.h"
#include "serial/PortService.h"
#include "serial/SerialLink.h"
#include "serial/qt/PortMap.h"

namespace dimrix::serial {

class QtSerialDevice;

// The real serial port, through QSerialPort. Needs a QCoreApplication and its event
// loop: queued bytes leave, and device failures are noticed, on the event loop.
class QtPortService : public PortService {
public:
    // COM1 and COM2 are the devices `given` names; a port it leaves empty maps to one of
    // the host's serial ports, resolved when first described and at each open.
    explicit QtPortService(PortPaths given = {});
    ~QtPortService() override;
    QtPortService(const QtPortService&) = delete;
    QtPortService& operator=(const QtPortService&) = delete;

    void SetPortNumber(std::int16_t portNumber) override;
    // Throws LinkError(errors::kSettingsRejected) for settings QSerialPort cannot take.
    void SetSettings(const LineSettings& settings) override;
    // Resolves what the port number stands for, then opens that device.
    // Throws LinkError naming the device and the system's reason.
    void Open() override;
    // Returns at once; the device lets its queued bytes out from the event loop (bounded
    // by the time the line needs), then closes.
    void Close() override;
    // True from a successful Open until Close, also after the device failed.
    [[nodiscard]] bool IsOpen() const override;
    // Recorded only: nothing listens for incoming bytes, which are discarded.
    void SetReceiveThreshold(std::int16_t threshold) override;
    // Queues the byte and returns at once.
    // Throws LinkError: errors::kPortNotOpen, errors::kDeviceLost, errors::kWriteFailed.
    void Write(protocol::Byte value) override;
    // Bytes sent but not yet handed to the driver; at most about 100 ms of line time plus
    // a frame while the line keeps up, one frame per board while it is overrun.
    [[nodiscard]] std::size_t QueuedBytes() const;
    // "/dev/ttyUSB0 — USB adapter, FT232R USB UART", as resolved at the last Open (or
    // now, when nothing was resolved yet).
    [[nodiscard]] std::string PortDescription(std::int16_t portNumber) const override;
    // "/dev/ttyUSB0", resolved as PortDescription.
    [[nodiscard]] std::string PortDevice(std::int16_t portNumber) const override;

private:
    void ResolvePorts() const;
    [[nodiscard]] const PortMap& Ports() const;
    // The device named on the command line for this port, or "" when none was.
    [[nodiscard]] const std::string& GivenDevice(std::int16_t portNumber) const;
    void OpenDevice(const std::string& device);

    PortPaths m_given;
    // Listed on first need, not at start: listing costs more than showing the window.
    mutable std::optional<PortMap> m_portMap;
    std::int16_t m_portNumber = kFirstPort;
    LineSettings m_settings = kBoardLineSettings;
    std::int16_t m_receiveThreshold = 0;
    // Switching devices, or opening one still letting its queue out, is its line's to
    // handle (PacedLine).
    std::unique_ptr<QtSerialDevice> m_device;
};

}  // namespace dimrix::serial
