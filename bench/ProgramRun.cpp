#include "ProgramRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

extern char** environ;

namespace dimrix::bench {

namespace {

constexpr double kNanosecondsPerSecond = 1e9;
// VmHWM counts kB of 1024 bytes; the table gives MB of a million.
constexpr double kKbPerMb = 1e6 / 1024;

}  // namespace

ProgramRun::ProgramRun(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (const std::string& argument : argv) {
        pointers.push_back(const_cast<char*>(argument.c_str()));
    }
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    m_started = Clock::now();
    const int failed =
        ::posix_spawn(&m_pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        throw std::system_error(failed, std::generic_category(), "posix_spawn " + argv.at(0));
    }
}

ProgramRun::~ProgramRun() {
    ::kill(m_pid, SIGTERM);
    while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

bool ProgramRun::Running() const {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

std::string ProgramRun::Proc(const std::string& leaf) const {
    return "/proc/" + std::to_string(m_pid) + "/" + leaf;
}

double ProgramRun::CpuSeconds() const {
    // The first field of each thread's schedstat is its time on a CPU in nanoseconds,
    // far finer than the clock ticks of /proc/<pid>/stat.
    double nanoseconds = 0.0;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(Proc("task"), error)) {
        double onCpu = 0.0;
        if (std::ifstream(task.path() / "schedstat") >> onCpu) {
            nanoseconds += onCpu;
        }
    }
    return nanoseconds / kNanosecondsPerSecond;
}

double ProgramRun::PeakResidentMb() const {
    std::ifstream status(Proc("status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(line.find_first_of("0123456789"))) / kKbPerMb;
        }
    }
    return 0.0;
}

}  // namespace dimrix::bench
