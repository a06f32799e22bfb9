#pragma once

// How QSerialPort's errors become the numbers the operator reads.

#include <QSerialPort>
#include <optional>

#include "serial/ErrorNumber.h"
#include "serial/HostPlatform.h"

namespace dimrix::serial {

// Why the system refused an open. Qt reports one "permission" error for several causes,
// and only the state of the system after the failed open tells them apart.
enum class OpenRefusal {
    // Not looked into: Qt reported another error than a permission error.
    None,
    // The user may not read and write the device.
    DeviceDenied,
    // A live process holds the device's lock file, or the device refuses a second open.
    HeldElsewhere,
    // No lock file could be made: no usable lock directory, or a stale one that stays.
    LockUnavailable,
};

// The number for an open that failed with `error`; `refusal` tells a permission error's
// cause.
[[nodiscard]] ErrorNumber OpenFailureNumber(QSerialPort::SerialPortError error,
                                            OpenRefusal refusal);

// The one decision whether an error raised on an open port ends it: the number of the
// fault, or nothing when the error leaves the port usable (a full or empty descriptor, a
// timeout of a bounded wait, a setting refused while open, no error). `deviceGone` is what
// the device's own handle says when asked (DeviceHandle's HungUp).
[[nodiscard]] std::optional<ErrorNumber> LineFaultNumber(HostPlatform platform,
                                                         QSerialPort::SerialPortError error,
                                                         bool deviceGone);

}  // namespace dimrix::serial
