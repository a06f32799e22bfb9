#pragma once

#include <functional>
#include <memory>

namespace dimrix::platform {

// Turns the system's requests to end the program into an orderly end on the event loop,
// the same one the close button gives: the port lets its last frames out, puts back the
// line's settings and releases its lock file before the program ends. Killed on the spot
// instead, the boards would keep a torn frame and the next start would find the port's
// lock left behind.
//
// POSIX: SIGTERM, SIGINT and SIGHUP (a logout, `kill`, Ctrl+C in the terminal that
// started the program); the handlers there before are put back afterwards. Windows: the
// console's Ctrl+C, Ctrl+Break and close events, for a program that has a console; a
// window's close and the end of the session reach Qt as its own events there. One
// instance at a time; needs a QCoreApplication.
class TerminationRequests {
public:
    // Throws std::system_error when the system refuses to set it up, leaving everything
    // as it was, and std::logic_error when another instance exists.
    explicit TerminationRequests(std::function<void()> onTerminate);
    ~TerminationRequests();
    TerminationRequests(const TerminationRequests&) = delete;
    TerminationRequests& operator=(const TerminationRequests&) = delete;

private:
    // What the platform's own file needs: TerminationRequestsPosix.cpp,
    // TerminationRequestsWindows.cpp.
    struct Watch;

    std::unique_ptr<Watch> m_watch;
};

}  // namespace dimrix::platform
