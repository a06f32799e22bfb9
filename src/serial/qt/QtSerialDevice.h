#pragma once

#include <QSerialPort>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "protocol/Protocol.h"
#include "serial/ErrorNumber.h"
#include "serial/LineDriver.h"
#include "serial/LineSettings.h"
#include "serial/Transmitter.h"

namespace dimrix::serial {

// One serial device opened through QSerialPort, transmit only.
//
// Sent bytes wait in the program's own transmit queue, which hands them to the driver
// at the pace of the line (see Transmitter): the driver never holds a backlog, so a
// newer command never waits behind stale frames, and a full driver (a stalled reader,
// a slow adapter) is only a reason to wait, never a fault. Incoming bytes are read and
// dropped at once, through a read buffer bounded at kInputBufferSize.
//
// A device that fails while open (unplugged adapter, refused write) turns the port
// "broken": it still counts as open, so the next send reaches Write and fails with the
// fault's own number instead of passing for a port nobody opened; what was still queued
// is dropped with the device, and the descriptor is released from the event loop, never
// from inside QSerialPort's own error signal. Close() then ends the broken state, and
// the next Open starts afresh.
class QtSerialDevice : private LineDriver {
public:
    // Bytes the port reads ahead before it stops reading from the device.
    static constexpr std::int64_t kInputBufferSize = 1024;

    QtSerialDevice();
    ~QtSerialDevice() override;
    QtSerialDevice(const QtSerialDevice&) = delete;
    QtSerialDevice& operator=(const QtSerialDevice&) = delete;

    // Opens `device` with `settings` and no flow control.
    // Throws LinkError naming the device and the system's reason.
    // Throws std::logic_error when already open.
    void Open(const std::string& device, const LineSettings& settings);
    // Lets the queued bytes reach the wire (within twice the line time they need), then
    // closes. A broken port is closed at once. Does nothing when closed.
    void Close();
    // Open, or broken and not yet closed.
    [[nodiscard]] bool IsOpen() const { return m_state != State::Closed; }
    // Queues one byte and returns.
    // Throws LinkError: errors::kPortNotOpen when closed, the fault's number when broken.
    void Write(protocol::Byte value);
    // Bytes queued and not yet handed to the driver.
    [[nodiscard]] std::size_t Waiting() const;

    // Whether QSerialPort has a form for these settings; checked before any device is
    // touched, so a bad settings text never costs an open.
    // Throws LinkError(errors::kSettingsRejected) for a setting QSerialPort cannot take.
    static void CheckSettings(const LineSettings& settings);

private:
    enum class State { Closed, Open, Broken };

    void OnError(QSerialPort::SerialPortError error);
    void DiscardInput();
    // Transmitter::Pump, or PumpPosted from the call a Post asked for.
    using PumpStep = std::optional<Transmitter::TimePoint> (Transmitter::*)(LineDriver&,
                                                                            Transmitter::TimePoint);

    // Hands the driver what the line has room for now, and sets the timer for the rest.
    // Throws LinkError when the device failed.
    void Pump(PumpStep step);
    void PumpFromEventLoop(PumpStep step);
    void MarkFailed(ErrorNumber number);
    void Release();
    void DrainOutput();
    [[nodiscard]] bool DeviceHungUp() const;

    std::size_t Accept(std::span<const protocol::Byte> bytes) override;
    [[nodiscard]] std::size_t Holds() const override;

    State m_state = State::Closed;
    std::string m_device;
    ErrorNumber m_fault = 0;
    // Counts openings, so a release queued for one is not carried out on a later one.
    std::uint64_t m_generation = 0;
    std::unique_ptr<Transmitter> m_transmitter;
    std::unique_ptr<QTimer> m_pumpTimer = std::make_unique<QTimer>();
    // Last, so it goes first: its closing may still signal into the members above.
    std::unique_ptr<QSerialPort> m_port = std::make_unique<QSerialPort>();
};

}  // namespace dimrix::serial
