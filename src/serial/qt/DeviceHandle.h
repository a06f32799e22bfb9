#pragma once

#include <QSerialPort>
#include <chrono>
#include <cstddef>
#include <span>
#include <string>

#include "protocol/Protocol.h"

// What QSerialPort does not do or tell for the device it opened, done through the
// device's own handle in the platform's own way. One file for each platform:
// DeviceHandlePosix.cpp, DeviceHandleWindows.cpp.
namespace dimrix::serial::device_handle {

// Hands the driver as much of `bytes` as it takes now, without waiting; 0 when it is full.
// Nothing stays behind in QSerialPort's own buffer where a POSIX system allows it, since
// the transmit queue can no longer drop what sits there.
// Throws LinkError, naming `device`: errors::kDeviceLost when the device went away,
// errors::kWriteFailed for any other refusal.
std::size_t Write(QSerialPort& port, std::span<const protocol::Byte> bytes,
                  const std::string& device);

// Whether the device went away (an unplugged adapter, the far end of a pseudo-terminal
// closed) while the port still counts as open: the probe behind LineFaultNumber.
[[nodiscard]] bool HungUp(const QSerialPort& port);

// Bytes written and not yet on the wire, as far as the system tells.
[[nodiscard]] std::size_t Holds(const QSerialPort& port);

// Whether the device keeps a count Holds can ask at all. A pseudo-terminal has no output
// queue: it hands what it is written to its other end at once and says it holds nothing,
// so asking it, once a frame on a busy line, is a system call that cannot tell anything
// the wire clock does not already know.
[[nodiscard]] bool CountsHeld(const QSerialPort& port);

// How often an open device is asked whether the driver holds received bytes QSerialPort
// has not started to read (InputWaiting); zero where QSerialPort always learns of them
// by itself.
[[nodiscard]] std::chrono::milliseconds InputCheckInterval();

// Whether the driver holds received bytes that QSerialPort has not read yet.
[[nodiscard]] bool InputWaiting(const QSerialPort& port);

}  // namespace dimrix::serial::device_handle
