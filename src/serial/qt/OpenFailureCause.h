#pragma once

#include <QSerialPort>
#include <string>
#include <string_view>

#include "serial/LinkError.h"
#include "serial/qt/QtErrorNumbers.h"

namespace dimrix::serial {

// Why QSerialPort could not open a device, told the way the operator needs it.
//
// Qt reports one permission error for four causes: the user may not use the device,
// another process holds the device's lock file, no lock file could be made, and the
// device refuses a second open. Once the open has failed, the device's permissions and
// the lock file where QSerialPort keeps it tell them apart. Only "held by another
// process" is reported as busy; a lock that cannot be made names its directory and
// the system's reason.
class OpenFailureCause {
public:
    // `device` is the path that failed to open ("/dev/ttyUSB0").
    explicit OpenFailureCause(std::string device);

    // The error for an open that Qt failed with `error` and `reason`: the number of the
    // cause, and the device with what the system says.
    [[nodiscard]] LinkError Explain(QSerialPort::SerialPortError error,
                                    const std::string& reason) const;

private:
    struct Finding {
        OpenRefusal refusal = OpenRefusal::None;
        // After "<device>: ".
        std::string detail;
    };

    // In the platform's own file (OpenFailureCausePosix.cpp, OpenFailureCauseWindows.cpp).
    [[nodiscard]] Finding ExamineRefusal(const std::string& reason) const;
    // POSIX only: the lock file and its directories.
    [[nodiscard]] Finding ExamineLock(const std::string& reason) const;
    [[nodiscard]] Finding ExamineLockFile(const std::string& directory,
                                          const std::string& path) const;
    [[nodiscard]] Finding NoLockDirectory() const;

    std::string m_device;
    // "LCK..ttyUSB0", as QSerialPort names the device's lock file.
    std::string m_lockName;
};

}  // namespace dimrix::serial
