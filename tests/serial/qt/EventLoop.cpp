#include "serial/qt/EventLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace dimrix::testing {

namespace {

// Wakes the waiting loop so conditions on descriptors Qt does not watch (the test's
// own end of a pseudo-terminal) are looked at again.
constexpr std::chrono::milliseconds kRecheckInterval{1};

}  // namespace

void EventLoop::Ensure() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    // Lives until the process ends: Qt keeps argc and argv, and tearing an application
    // down during static destruction races Qt's own globals.
    static int argc = 1;
    static char name[] = "dimrix_serial_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* const application = new QCoreApplication(argc, argv);
    (void)application;
}

bool EventLoop::SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    Ensure();
    QTimer wake;
    wake.start(kRecheckInterval);
    const QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

std::vector<std::uint8_t> EventLoop::Receive(const PseudoTerminal& pty, std::size_t count) {
    std::vector<std::uint8_t> received;
    SpinUntil([&] {
        pty.ReadInto(received);
        return received.size() >= count;
    });
    return received;
}

std::vector<std::uint8_t> EventLoop::ReceiveThrough(const PseudoTerminal& pty,
                                                    const std::vector<std::uint8_t>& tail) {
    std::vector<std::uint8_t> received;
    SpinUntil([&] {
        pty.ReadInto(received);
        return received.size() >= tail.size() &&
               std::equal(tail.rbegin(), tail.rend(), received.rbegin());
    });
    return received;
}

}  // namespace dimrix::testing
