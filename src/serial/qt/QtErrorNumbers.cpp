#include "serial/qt/QtErrorNumbers.h"

namespace dimrix::serial {

namespace {

ErrorNumber RefusalNumber(OpenRefusal refusal) {
    switch (refusal) {
        case OpenRefusal::DeviceDenied:
            return errors::kPermissionDenied;
        case OpenRefusal::LockUnavailable:
            return errors::kOpenFailed;
        case OpenRefusal::HeldElsewhere:
        case OpenRefusal::None:
            break;
    }
    return errors::kPortBusy;
}

}  // namespace

ErrorNumber OpenFailureNumber(QSerialPort::SerialPortError error, OpenRefusal refusal) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return errors::kDeviceNotFound;
        // Linux answers EIO when a ttyS device has no UART behind it: nothing to talk to.
        case QSerialPort::ResourceError:
            return errors::kDeviceNotFound;
        // Qt raises this for EACCES and EPERM, but also for EBUSY and for a lock file
        // that another program holds or that cannot be made at all.
        case QSerialPort::PermissionError:
            return RefusalNumber(refusal);
        // Raised when the device took the descriptor but not the line settings, which is
        // also what a device that is no serial port at all answers.
        case QSerialPort::UnsupportedOperationError:
            return errors::kSettingsRejected;
        default:
            return errors::kOpenFailed;
    }
}

std::optional<ErrorNumber> LineFaultNumber(HostPlatform platform,
                                           QSerialPort::SerialPortError error, bool deviceGone) {
    switch (error) {
        // POSIX: EIO and EBADF when the device hung up or went away, but Qt files EAGAIN
        // (a full or empty descriptor) here as well, so only a hang-up ends the port.
        // Windows has no such case: Qt raises these there only for a handle the system
        // took back (the device removed, its operations aborted).
        case QSerialPort::ResourceError:
        case QSerialPort::ReadError:
            if (platform == HostPlatform::Windows || deviceGone) {
                return errors::kDeviceLost;
            }
            return std::nullopt;
        // Windows answers a read on a removed USB adapter with "access denied".
        case QSerialPort::PermissionError:
            if (platform == HostPlatform::Windows && deviceGone) {
                return errors::kDeviceLost;
            }
            return std::nullopt;
        case QSerialPort::WriteError:
            return deviceGone ? errors::kDeviceLost : errors::kWriteFailed;
        default:
            return std::nullopt;
    }
}

}  // namespace dimrix::serial
