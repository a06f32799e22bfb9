#include "monitor/qt/VirtualLine.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "serial/LinkError.h"

#ifdef __linux__
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace dimrix::monitor {

namespace {

const std::string kName = "virtual line";

#ifdef __linux__
[[noreturn]] void Fail(const char* step) {
    throw serial::LinkError(serial::errors::kOpenFailed,
                            kName + ": " + step + ": " + std::strerror(errno));
}
#endif

}  // namespace

VirtualLine::~VirtualLine() {
    Release();
}

void VirtualLine::Release() {
    m_notifier.reset();
#ifdef __linux__
    for (int* descriptor : {&m_master, &m_device}) {
        if (*descriptor >= 0) {
            ::close(*descriptor);
            *descriptor = -1;
        }
    }
#endif
}

void VirtualLine::Open() {
#ifdef __linux__
    Release();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0) {
        Fail("posix_openpt");
    }
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        Fail("grantpt");
    }
    const char* path = ::ptsname(m_master);
    if (path == nullptr) {
        Fail("ptsname");
    }
    m_devicePath = path;
    // Kept open for as long as the line exists: without a holder of the device end, the
    // master reads EIO after each panel closes it.
    m_device = ::open(m_devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_device < 0) {
        Fail("open");
    }
    // Raw, or the line discipline would echo bytes back and turn 10 and 13 into others.
    termios settings{};
    if (::tcgetattr(m_device, &settings) != 0) {
        Fail("tcgetattr");
    }
    ::cfmakeraw(&settings);
    if (::tcsetattr(m_device, TCSANOW, &settings) != 0) {
        Fail("tcsetattr");
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { ReadChunk(); });
#else
    throw serial::LinkError(serial::errors::kOpenFailed, kName + ": not available on this system");
#endif
}

void VirtualLine::ReadChunk() {
#ifdef __linux__
    // One chunk a pass, as from a device: the notifier comes back while more is waiting.
    const ssize_t count = ::read(m_master, m_buffer.data(), m_buffer.size());
    if (count > 0) {
        Deliver({m_buffer.data(), static_cast<std::size_t>(count)});
        return;
    }
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    const std::string reason = count == 0 ? "end of file" : std::strerror(errno);
    // Not released here, inside the notifier's own signal; the next Open does that.
    m_notifier->setEnabled(false);
    ReportLost(reason);
#endif
}

}  // namespace dimrix::monitor
