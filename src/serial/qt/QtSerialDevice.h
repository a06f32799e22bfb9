#pragma once

#include <string>

#include "protocol/Protocol.h"
#include "serial/ErrorNumber.h"
#include "serial/LineSettings.h"
#include "serial/TransmitQueue.h"
#include "serial/qt/DeviceListener.h"
#include "serial/qt/PacedLine.h"

namespace dimrix::serial {

// The panel's serial device: the port a program that sends byte by byte opens and closes.
//
// Sent bytes wait in the transmit queue, which groups them into frames and thins them
// out on an overrun line; the paced line (PacedLine) takes them from it at the line's
// pace, and lets them out when the port closes.
//
// A device that fails while open (unplugged adapter, refused write) turns the port
// "broken": it still counts as open, so the next send reaches Write and fails with the
// fault's own number instead of passing for a port nobody opened; what was still queued
// is dropped with the device, and the owner's listener hears of it at once, idle or not.
// Close() then ends the broken state, and the next Open starts afresh; the port is never
// opened again by itself.
class QtSerialDevice : private DeviceListener {
public:
    // `owner` hears of a device lost; may be null, and must outlive the device otherwise.
    explicit QtSerialDevice(DeviceListener* owner = nullptr);
    QtSerialDevice(const QtSerialDevice&) = delete;
    QtSerialDevice& operator=(const QtSerialDevice&) = delete;

    // Opens `device` with `settings` and no flow control; on a device still closing, the
    // same device again once its queue has left.
    // Throws LinkError naming the device and the system's reason.
    // Throws std::logic_error when open.
    void Open(const std::string& device, const LineSettings& settings);
    // Closes once the queued bytes have left the wire (see PacedLine); a broken port is
    // closed at once. Returns at once. Does nothing when closed.
    void Close();
    // Open, or broken and not yet closed.
    [[nodiscard]] bool IsOpen() const { return m_state != State::Closed; }
    // The device opened last.
    [[nodiscard]] const std::string& Device() const { return m_device; }
    // Queues one byte and returns.
    // Throws LinkError: errors::kPortNotOpen when closed, the fault's number when broken.
    void Write(protocol::Byte value);
    // Bytes queued and not yet handed to the driver.
    [[nodiscard]] std::size_t Waiting() const { return m_queue.Waiting(); }

    // Whether QSerialPort has a form for these settings; checked before any device is
    // touched, so a bad settings text never costs an open.
    // Throws LinkError(errors::kSettingsRejected) for a setting QSerialPort cannot take.
    static void CheckSettings(const LineSettings& settings);

private:
    enum class State { Closed, Open, Broken };

    void MarkFailed(ErrorNumber number);
    void OnDeviceLost(const LinkError& fault) override;

    DeviceListener* m_owner = nullptr;
    State m_state = State::Closed;
    ErrorNumber m_fault = 0;
    std::string m_device;
    TransmitQueue m_queue{kBoardLineSettings};
    // After the queue, which it drains when destroyed.
    PacedLine m_line{m_queue, *this};
};

}  // namespace dimrix::serial
