#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace dimrix::bench {

/// One run of a program, watched from outside through /proc: the program reports
/// nothing about itself and carries nothing for the bench.
class ProgramRun {
public:
    using Clock = std::chrono::steady_clock;

    /// Starts `argv[0]` in the bench's environment, its output discarded.
    /// @throws std::system_error if it cannot be started.
    explicit ProgramRun(const std::vector<std::string>& argv);
    /// Ends it (SIGTERM) and reaps it.
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    [[nodiscard]] Clock::time_point Started() const { return m_started; }
    [[nodiscard]] bool Running() const;
    /// CPU seconds of all its threads so far.
    [[nodiscard]] double CpuSeconds() const;
    /// VmHWM, in MB.
    [[nodiscard]] double PeakResidentMb() const;

private:
    [[nodiscard]] std::string Proc(const std::string& leaf) const;

    pid_t m_pid = -1;
    Clock::time_point m_started;
};

}  // namespace dimrix::bench
