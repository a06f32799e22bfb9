#include "platform/TerminationRequests.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <stdexcept>
#include <system_error>

namespace dimrix::platform {

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

// A signal handler may do next to nothing, so it only writes the signal's number into a
// socket pair that the event loop watches. Whatever was set up is undone here, in the
// reverse order, also when the set-up failed half-way.
struct TerminationRequests::Watch {
    std::array<int, 2> sockets{-1, -1};
    bool ownsWriter = false;
    std::array<struct sigaction, kTerminationSignals.size()> previous{};
    std::size_t installed = 0;
    std::unique_ptr<QSocketNotifier> notifier;

    Watch() = default;
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;
    ~Watch() {
        while (installed > 0) {
            --installed;
            ::sigaction(kTerminationSignals[installed], &previous[installed], nullptr);
        }
        notifier.reset();
        if (ownsWriter) {
            g_signalWriter.store(-1);
        }
        for (const int socket : sockets) {
            if (socket >= 0) {
                ::close(socket);
            }
        }
    }
};

TerminationRequests::TerminationRequests(std::function<void()> onTerminate) {
    if (g_signalWriter.load() >= 0) {
        throw std::logic_error("termination requests are already watched");
    }
    auto watch = std::make_unique<Watch>();
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0,
                     watch->sockets.data()) != 0) {
        ThrowSystemError("socketpair");
    }
    g_signalWriter.store(watch->sockets[0]);
    watch->ownsWriter = true;
    const int reader = watch->sockets[1];
    watch->notifier = std::make_unique<QSocketNotifier>(reader, QSocketNotifier::Read);
    QObject::connect(watch->notifier.get(), &QSocketNotifier::activated, watch->notifier.get(),
                     [reader, onTerminate = std::move(onTerminate)] {
                         unsigned char number = 0;
                         while (::read(reader, &number, sizeof number) > 0) {
                         }
                         onTerminate();
                     });
    struct sigaction action {};
    action.sa_handler = WriteSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kTerminationSignals) {
        if (::sigaction(signal, &action, &watch->previous[watch->installed]) != 0) {
            ThrowSystemError("sigaction");
        }
        ++watch->installed;
    }
    m_watch = std::move(watch);
}

TerminationRequests::~TerminationRequests() = default;

}  // namespace dimrix::platform
