#include "support/PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace dimrix::testing {

namespace {

constexpr std::size_t kReadChunk = 4096;
constexpr const char* kOwnDescriptors = "/proc/self/fd";
// How /proc shows a descriptor whose device node has been removed.
constexpr const char* kDeletedSuffix = " (deleted)";

[[noreturn]] void ThrowSystemError(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

PseudoTerminal::PseudoTerminal(Slave slave) {
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        ThrowSystemError("openpty");
    }
    m_slavePath = ::ptsname(m_master);
    if (::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0) {
        ThrowSystemError("fcntl");
    }
    // Not inherited by a program the test starts: closing the master must hang up the line.
    for (const int descriptor : {m_master, m_slave}) {
        if (::fcntl(descriptor, F_SETFD, FD_CLOEXEC) != 0) {
            ThrowSystemError("fcntl");
        }
    }
    if (slave == Slave::Released) {
        ::close(m_slave);
        m_slave = -1;
    }
}

PseudoTerminal::~PseudoTerminal() {
    if (m_slave >= 0) {
        ::close(m_slave);
    }
    CloseMaster();
}

void PseudoTerminal::ReadInto(std::vector<std::uint8_t>& bytes, std::size_t limit) const {
    std::array<std::uint8_t, kReadChunk> chunk{};
    while (limit > 0) {
        const ssize_t count = ::read(m_master, chunk.data(), std::min(chunk.size(), limit));
        if (count <= 0) {
            // EAGAIN: nothing more now. EIO: no one has the slave open.
            return;
        }
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + count);
        limit -= static_cast<std::size_t>(count);
    }
}

std::size_t PseudoTerminal::WriteToMaster(std::span<const std::uint8_t> bytes) const {
    const ssize_t count = ::write(m_master, bytes.data(), bytes.size());
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

bool PseudoTerminal::SlaveHungUp() const {
    pollfd probe{m_master, POLLIN, 0};
    return ::poll(&probe, 1, 0) > 0 && (probe.revents & POLLHUP) != 0;
}

void PseudoTerminal::CloseMaster() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

int PseudoTerminal::SlaveDescriptorsHeld() const {
    const std::string gone = m_slavePath + kDeletedSuffix;
    int held = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kOwnDescriptors)) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (!error && (target == m_slavePath || target == gone)) {
            ++held;
        }
    }
    return held;
}

const std::vector<std::uint8_t>& PseudoTerminal::Received() {
    ReadInto(m_received);
    return m_received;
}

void PseudoTerminal::Clear() {
    ReadInto(m_received);
    m_received.clear();
}

termios PseudoTerminal::SlaveAttributes() const {
    termios attributes{};
    if (::tcgetattr(m_slave >= 0 ? m_slave : m_master, &attributes) != 0) {
        ThrowSystemError("tcgetattr");
    }
    return attributes;
}

}  // namespace dimrix::testing
