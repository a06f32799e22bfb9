#pragma once

#include <QSerialPort>
#include <cstdint>
#include <memory>
#include <string>

#include "protocol/Protocol.h"
#include "serial/ErrorNumber.h"
#include "serial/LineSettings.h"

namespace dimrix::serial {

// One serial device opened through QSerialPort, transmit only.
//
// Bytes are queued in QSerialPort's write buffer and leave when the event loop finds
// the device writable, so a burst never blocks the window; the buffer is unbounded,
// which is what keeps every byte when the program produces faster than the line
// carries. Incoming bytes are read and dropped at once, through a read buffer bounded
// at kInputBufferSize.
//
// A device that fails while open (unplugged adapter, refused write) turns the port
// "broken": it still counts as open, so the next send reaches Write and fails with the
// fault's own number instead of passing for a port nobody opened; the descriptor is
// released from the event loop, never from inside QSerialPort's own error signal.
// Close() then ends the broken state, and the next Open starts afresh.
class QtSerialDevice {
public:
    // Bytes the port reads ahead before it stops reading from the device.
    static constexpr std::int64_t kInputBufferSize = 1024;

    QtSerialDevice();
    ~QtSerialDevice();
    QtSerialDevice(const QtSerialDevice&) = delete;
    QtSerialDevice& operator=(const QtSerialDevice&) = delete;

    // Opens `device` with `settings` and no flow control.
    // Throws LinkError naming the device and the system's reason.
    // Throws std::logic_error when already open.
    void Open(const std::string& device, const LineSettings& settings);
    // Lets the queued bytes reach the device (within a time the line needs for them),
    // then closes. A broken port is closed at once. Does nothing when closed.
    void Close();
    // Open, or broken and not yet closed.
    [[nodiscard]] bool IsOpen() const { return m_state != State::Closed; }
    // Queues one byte and returns.
    // Throws LinkError: errors::kPortNotOpen when closed, the fault's number when broken.
    void Write(protocol::Byte value);

    // Whether QSerialPort has a form for these settings; checked before any device is
    // touched, so a bad settings text never costs an open.
    // Throws LinkError(errors::kSettingsRejected) for a setting QSerialPort cannot take.
    static void CheckSettings(const LineSettings& settings);

private:
    enum class State { Closed, Open, Broken };

    void ApplySettings(const LineSettings& settings);
    void OnError(QSerialPort::SerialPortError error);
    void OnProgress();
    void DiscardInput();
    void Break(ErrorNumber number);
    void Release();
    void DrainOutput();
    [[nodiscard]] bool DeviceHungUp() const;
    [[nodiscard]] std::int64_t DriverBacklog() const;

    State m_state = State::Closed;
    std::string m_device;
    ErrorNumber m_fault = 0;
    // Errors that may be transient (Qt files EAGAIN with EIO) seen since the last byte
    // moved; a device that keeps failing is given up even without a hang-up.
    int m_unconfirmedFaults = 0;
    // Tells a release queued for one opening from a later opening of the same device.
    std::uint64_t m_opening = 0;
    // Last, so it goes first: its closing may still signal into the members above.
    std::unique_ptr<QSerialPort> m_port = std::make_unique<QSerialPort>();
};

}  // namespace dimrix::serial
