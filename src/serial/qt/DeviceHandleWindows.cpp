#include "serial/qt/DeviceHandle.h"

#include <windows.h>

#include "serial/LinkError.h"

namespace dimrix::serial::device_handle {

std::size_t Write(QSerialPort& port, std::span<const protocol::Byte> bytes,
                  const std::string& device) {
    // Through QSerialPort, whose overlapped writes Windows needs; flushed at once, so its
    // buffer holds a frame only while the driver takes it.
    const qint64 written =
        port.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (written < 0) {
        throw LinkError(errors::kWriteFailed, device + ": " + port.errorString().toStdString());
    }
    port.flush();
    return static_cast<std::size_t>(written);
}

bool HungUp(const QSerialPort& port) {
    // A removed adapter's handle stays valid, but the driver refuses every request on it
    // (access denied, bad command); asking for its status is the cheapest such request.
    COMSTAT status{};
    DWORD errors = 0;
    return ::ClearCommError(port.handle(), &errors, &status) == FALSE;
}

std::size_t Holds(const QSerialPort& port) {
    // What QSerialPort has not yet passed on, and what the driver holds after that.
    COMSTAT status{};
    DWORD errors = 0;
    const auto inDriver = ::ClearCommError(port.handle(), &errors, &status) ? status.cbOutQue : 0;
    return static_cast<std::size_t>(port.bytesToWrite()) + inDriver;
}

bool CountsHeld(const QSerialPort& /*port*/) {
    return true;
}

std::chrono::milliseconds InputCheckInterval() {
    // QSerialPort learns of received bytes from WaitCommEvent's completion, queued to the
    // I/O completion port it listens on. Wine's serial driver (8.0) ends that wait without
    // queuing anything, so there QSerialPort never starts a read by itself, while a read
    // asked for completes as it should. On Windows the check mostly finds the bytes read
    // already, and costs one ClearCommError. 10 ms is 19 bytes of a 19200-baud line: a
    // monitor's time stamps stay within two frames of the truth.
    constexpr std::chrono::milliseconds kInterval{10};
    return kInterval;
}

bool InputWaiting(const QSerialPort& port) {
    COMSTAT status{};
    DWORD errors = 0;
    return ::ClearCommError(port.handle(), &errors, &status) != FALSE && status.cbInQue > 0;
}

}  // namespace dimrix::serial::device_handle
