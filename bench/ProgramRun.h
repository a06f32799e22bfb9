#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dimrix::bench {

/// One run of a program, watched from outside through /proc: the program reports
/// nothing about itself and carries nothing for the bench.
class ProgramRun {
public:
    using Clock = std::chrono::steady_clock;

    /// Starts `argv[0]` with these variables set, its output discarded.
    /// @throws std::system_error if it cannot be started.
    ProgramRun(const std::vector<std::string>& argv,
               const std::map<std::string, std::string>& environment);
    /// Ends it (SIGTERM) and reaps it.
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    /// The moment just before the process was created.
    [[nodiscard]] Clock::time_point Started() const { return m_started; }
    /// Waits until the main thread first sleeps in its event loop (a poll with a timeout)
    /// and returns when that was seen, to within the sampling step; nothing if the
    /// program exited or the timeout passed first.
    std::optional<Clock::time_point> WaitForEventLoop(std::chrono::milliseconds timeout) const;
    /// CPU time of all its threads so far, in seconds, from the scheduler's own account.
    [[nodiscard]] double CpuSeconds() const;
    /// Peak resident set so far (VmHWM), in MB; 0 if it cannot be read.
    [[nodiscard]] double PeakResidentMb() const;

private:
    [[nodiscard]] std::string Proc(const std::string& leaf) const;

    pid_t m_pid = -1;
    Clock::time_point m_started;
};

}  // namespace dimrix::bench
