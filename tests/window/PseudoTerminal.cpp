#include "PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace dimrix::testing {

namespace {

[[noreturn]] void ThrowSystemError(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0) {
        ThrowSystemError("posix_openpt");
    }
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        ThrowSystemError("unlockpt");
    }
    const char* name = ::ptsname(m_master);
    if (name == nullptr) {
        ThrowSystemError("ptsname");
    }
    m_slavePath = name;
    // A master whose slave was never opened does not report a hang-up; opening and
    // closing the slave once puts it in the state "nobody holds the port".
    const int slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        ThrowSystemError("open slave");
    }
    ::close(slave);
}

PseudoTerminal::~PseudoTerminal() {
    ::close(m_master);
}

bool PseudoTerminal::SlaveIsOpen() const {
    pollfd request{m_master, POLLIN, 0};
    ::poll(&request, 1, 0);
    return (request.revents & POLLHUP) == 0;
}

termios PseudoTerminal::Settings() const {
    termios settings{};
    if (::tcgetattr(m_master, &settings) != 0) {
        ThrowSystemError("tcgetattr");
    }
    return settings;
}

const PseudoTerminal::Bytes& PseudoTerminal::Received() {
    std::array<std::uint8_t, 4096> buffer{};
    for (;;) {
        const ssize_t count = ::read(m_master, buffer.data(), buffer.size());
        if (count <= 0) {
            break;  // EAGAIN: nothing more yet; EIO: the slave is closed and drained
        }
        m_received.insert(m_received.end(), buffer.begin(), buffer.begin() + count);
    }
    return m_received;
}

void PseudoTerminal::Clear() {
    static_cast<void>(Received());
    m_received.clear();
}

}  // namespace dimrix::testing
