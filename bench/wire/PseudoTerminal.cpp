#include "wire/PseudoTerminal.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace dimrix::bench {

namespace {

[[noreturn]] void ThrowSystemError(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&m_master, &m_slave, nullptr, &raw, nullptr) != 0) {
        ThrowSystemError("openpty");
    }
    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        ThrowSystemError("fcntl(O_NONBLOCK)");
    }
    const char* name = ::ttyname(m_slave);
    if (name == nullptr) {
        ThrowSystemError("ttyname");
    }
    m_slavePath = name;
}

PseudoTerminal::~PseudoTerminal() {
    ::close(m_slave);
    ::close(m_master);
}

std::size_t PseudoTerminal::ReadAvailable(std::span<std::uint8_t> into) {
    const ssize_t got = ::read(m_master, into.data(), into.size());
    if (got >= 0) {
        return static_cast<std::size_t>(got);
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        return 0;
    }
    ThrowSystemError("read(pty master)");
}

std::size_t PseudoTerminal::Pending() const {
    int pending = 0;
    if (::ioctl(m_master, FIONREAD, &pending) != 0 || pending < 0) {
        return 0;
    }
    return static_cast<std::size_t>(pending);
}

}  // namespace dimrix::bench
