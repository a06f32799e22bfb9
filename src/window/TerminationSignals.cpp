#include "window/TerminationSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <system_error>

namespace dimrix::window {

namespace {

constexpr std::array kTerminationSignals{SIGTERM, SIGINT, SIGHUP};

// The write end of the socket pair, for the handler; -1 while no instance exists.
std::atomic<int> g_signalWriter{-1};

extern "C" void WriteSignalNumber(int signal) {
    const int saved = errno;
    const auto number = static_cast<unsigned char>(signal);
    // A full socket already holds a wake-up; nothing more is needed. Kept in a variable:
    // a (void) cast does not silence the unused-result warning that the hardened
    // (_FORTIFY_SOURCE) build gives write().
    [[maybe_unused]] const ssize_t written = ::write(g_signalWriter.load(), &number, sizeof number);
    errno = saved;
}

[[noreturn]] void ThrowSystemError(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onTerminate)
    : m_onTerminate(std::move(onTerminate)) {
    if (g_signalWriter.load() >= 0) {
        throw std::logic_error("termination signals are already watched");
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, m_sockets.data()) !=
        0) {
        ThrowSystemError("socketpair");
    }
    g_signalWriter.store(m_sockets[0]);
    m_notifier = std::make_unique<QSocketNotifier>(m_sockets[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::OnSignalled);
    struct sigaction action {};
    action.sa_handler = WriteSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kTerminationSignals) {
        if (::sigaction(signal, &action, nullptr) != 0) {
            ThrowSystemError("sigaction");
        }
    }
}

TerminationSignals::~TerminationSignals() {
    for (const int signal : kTerminationSignals) {
        std::signal(signal, SIG_DFL);
    }
    m_notifier.reset();
    g_signalWriter.store(-1);
    for (const int socket : m_sockets) {
        if (socket >= 0) {
            ::close(socket);
        }
    }
}

void TerminationSignals::OnSignalled() {
    unsigned char number = 0;
    while (::read(m_sockets[1], &number, sizeof number) > 0) {
    }
    m_onTerminate();
}

}  // namespace dimrix::window
