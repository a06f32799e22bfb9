#pragma once

// How QSerialPort's errors become the numbers the operator reads.

#include <QSerialPort>
#include <optional>

#include "serial/ErrorNumber.h"

namespace dimrix::serial {

// Whether the current user may read and write the device, as far as the system says
// before anyone holds it. Qt reports "no permission" and "held by another program"
// alike, and this is what tells them apart.
enum class DeviceAccess { Allowed, Denied };

// The number for an open that failed with `error`.
[[nodiscard]] ErrorNumber OpenFailureNumber(QSerialPort::SerialPortError error,
                                            DeviceAccess access);

// The number for an error raised on an open port, or nothing when the error leaves the
// port usable (a timeout of a bounded wait, a setting refused while open, no error).
[[nodiscard]] std::optional<ErrorNumber> LineFaultNumber(QSerialPort::SerialPortError error);

}  // namespace dimrix::serial
