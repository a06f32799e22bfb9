#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <array>
#include <functional>
#include <memory>

namespace dimrix::window {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, `kill`, Ctrl+C in the terminal that started
// the program) into an orderly close on the event loop, the same one the close button
// gives: the port lets its last frames out, puts back the line's settings and releases
// its lock file before the program ends. Killed on the spot instead, the boards would
// keep a torn frame and the next start would find the port's lock left behind.
//
// A signal handler may do next to nothing, so it only writes the signal's number into a
// socket pair that the event loop watches. One instance at a time.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    // Throws std::system_error when the socket pair or a handler cannot be set up, and
    // std::logic_error when another instance exists.
    explicit TerminationSignals(std::function<void()> onTerminate);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void OnSignalled();

    std::function<void()> m_onTerminate;
    std::array<int, 2> m_sockets{-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace dimrix::window
