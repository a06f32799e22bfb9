#include "serial/qt/DeviceHandle.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "serial/LinkError.h"

namespace dimrix::serial::device_handle {

std::size_t Write(QSerialPort& port, std::span<const protocol::Byte> bytes,
                  const std::string& device) {
    // Straight to the descriptor, which QSerialPort opened non-blocking: its own write
    // buffer would keep bytes the queue can no longer drop, and would call a full driver
    // an error.
    for (;;) {
        const ssize_t written = ::write(port.handle(), bytes.data(), bytes.size());
        if (written >= 0) {
            return static_cast<std::size_t>(written);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        const int failure = errno;
        const bool gone = failure == EIO || failure == ENXIO || failure == ENODEV ||
                          failure == EBADF || HungUp(port);
        throw LinkError(gone ? errors::kDeviceLost : errors::kWriteFailed,
                        device + ": " + std::strerror(failure));
    }
}

bool HungUp(const QSerialPort& port) {
    // A tty that lost its device (USB unplug, the far end of a pseudo-terminal closed)
    // reports a hang-up; a closed descriptor reports itself invalid.
    pollfd probe{port.handle(), POLLOUT, 0};
    if (::poll(&probe, 1, 0) <= 0) {
        return false;
    }
    return (probe.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

std::size_t Holds(const QSerialPort& port) {
    int queued = 0;
    if (::ioctl(port.handle(), TIOCOUTQ, &queued) != 0 || queued < 0) {
        return 0;
    }
    return static_cast<std::size_t>(queued);
}

bool CountsHeld(const QSerialPort& port) {
#ifdef __linux__
    // The slaves of Unix 98 pseudo-terminals take majors 136 to 143 (the kernel's
    // Documentation/admin-guide/devices.txt).
    constexpr unsigned kFirstPtySlaveMajor = 136;
    constexpr unsigned kPtySlaveMajors = 8;
    struct stat device {};
    if (::fstat(port.handle(), &device) == 0 && S_ISCHR(device.st_mode)) {
        const unsigned deviceMajor = major(device.st_rdev);
        return deviceMajor < kFirstPtySlaveMajor ||
               deviceMajor >= kFirstPtySlaveMajor + kPtySlaveMajors;
    }
#else
    (void)port;
#endif
    return true;
}

std::chrono::milliseconds InputCheckInterval() {
    // QSerialPort watches the descriptor itself and reads whatever arrives.
    return std::chrono::milliseconds::zero();
}

bool InputWaiting(const QSerialPort& port) {
    int waiting = 0;
    return ::ioctl(port.handle(), FIONREAD, &waiting) == 0 && waiting > 0;
}

}  // namespace dimrix::serial::device_handle
