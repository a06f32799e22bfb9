#pragma once

#include <QSerialPort>
#include <QTimer>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "protocol/Protocol.h"
#include "serial/LineSettings.h"
#include "serial/LinkError.h"
#include "serial/qt/DeviceListener.h"

namespace dimrix::serial {

// The one owner of a QSerialPort in every program: opens a device with the line's
// settings and no flow control, reads it in bounded chunks or throws its input away,
// hands the driver bytes without ever buffering them itself, and makes the one decision
// whether an error ends the device (LineFaultNumber), on every platform alike.
//
// A device that fails is released from the event loop, never from inside QSerialPort's
// own error signal (closing there can raise the signal again), and only then is the
// listener told, whether or not anything was being written at the time. Needs a
// QCoreApplication and its event loop.
class SerialDevice {
public:
    // Read-only, every byte read handed to the listener; or read-write with the input
    // read and dropped (nothing on the line is meant for a transmitter).
    enum class Direction { Receive, Transmit };

    // The most read at once, and all the port reads ahead: a flood of junk costs time but
    // never memory.
    static constexpr std::size_t kChunkSize = 4096;

    // `listener` must outlive the device.
    explicit SerialDevice(DeviceListener& listener);
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Throws LinkError naming the device and the system's reason.
    // Throws std::logic_error while the port is still open.
    void Open(const std::string& device, const LineSettings& settings, Direction direction);
    // Puts back the settings the device had before and lets it go. Safe at any time.
    void Release();

    // Opened and not failed.
    [[nodiscard]] bool Healthy() const { return m_port->isOpen() && !m_fault; }
    [[nodiscard]] const std::string& Device() const { return m_device; }
    // The fault that ended the last opening, until the next Open.
    [[nodiscard]] const std::optional<LinkError>& Fault() const { return m_fault; }

    // Hands the driver as much of `bytes` as it takes now; 0 when it is full.
    // Throws LinkError when the device failed; the listener hears of it too.
    std::size_t Write(std::span<const protocol::Byte> bytes);
    // Bytes written and not yet on the wire, as far as the system tells; 0 without asking
    // a device that keeps no count (DeviceHandle's CountsHeld).
    [[nodiscard]] std::size_t Holds() const;
    // Asks the device's handle whether the device is still there, and fails it when not;
    // false for a device that is not healthy.
    bool Probe();

private:
    void OnError(QSerialPort::SerialPortError error);
    void ReadInput();
    // Has QSerialPort read what the driver holds, where it may not have been told of it
    // (DeviceHandle's InputCheckInterval).
    void CheckInput();
    // Records the fault and queues the release and the listener's call, once per opening.
    void Fail(const LinkError& fault);

    DeviceListener& m_listener;
    std::string m_device;
    Direction m_direction = Direction::Transmit;
    std::optional<LinkError> m_fault;
    bool m_countsHeld = true;
    // Counts openings, so a release queued for one is not carried out on a later one.
    std::uint64_t m_generation = 0;
    std::array<char, kChunkSize> m_buffer{};
    std::unique_ptr<QTimer> m_inputCheck = std::make_unique<QTimer>();
    // Last, so it goes first: its closing may still signal into the members above.
    std::unique_ptr<QSerialPort> m_port = std::make_unique<QSerialPort>();
};

}  // namespace dimrix::serial
