#include "ProgramRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

extern char** environ;

namespace dimrix::bench {

namespace {

// Fine enough to place an event a start-up of some tens of milliseconds contains, coarse
// enough not to take a whole core from the program being timed.
constexpr std::chrono::microseconds kSampleStep{500};
// In /proc/<pid>/syscall the number comes first, then the six arguments.
constexpr int kTimeoutArgument = 2;
constexpr double kNanosecondsPerSecond = 1e9;
// VmHWM counts kB of 1024 bytes; the table gives MB of a million.
constexpr double kKbPerMb = 1e6 / 1024;

// The waits an event loop blocks in; some architectures (arm64) have only ppoll.
bool IsPollCall(long number) {
#ifdef SYS_poll
    if (number == SYS_poll) {
        return true;
    }
#endif
    return number == SYS_ppoll;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ProgramRun::ProgramRun(const std::vector<std::string>& argv,
                       const std::map<std::string, std::string>& environment) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable(*entry);
        if (environment.count(variable.substr(0, variable.find('='))) == 0) {
            variables.push_back(variable);
        }
    }
    for (const auto& [name, value] : environment) {
        variables.push_back(name + '=' + value);
    }
    std::vector<std::string> arguments = argv;
    std::vector<char*> envp;
    std::vector<char*> args;
    for (std::string& variable : variables) {
        envp.push_back(variable.data());
    }
    for (std::string& argument : arguments) {
        args.push_back(argument.data());
    }
    envp.push_back(nullptr);
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    m_started = Clock::now();
    const int failed = ::posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        throw std::system_error(failed, std::generic_category(), "posix_spawn " + argv.at(0));
    }
}

ProgramRun::~ProgramRun() {
    Stop();
}

std::string ProgramRun::ProcPath(const std::string& leaf) const {
    return "/proc/" + std::to_string(m_pid) + "/" + leaf;
}

bool ProgramRun::Running() const {
    const std::string text = ReadWhole(ProcPath("stat"));
    const std::size_t close = text.rfind(')');
    // A zombie has exited; only its parent's wait removes it.
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

bool ProgramRun::MainThreadWaitsInPoll() const {
    std::istringstream line(ReadWhole(ProcPath("syscall")));
    long number = -1;
    if (!(line >> number) || !IsPollCall(number)) {
        return false;
    }
    std::string argument;
    for (int index = 0; index <= kTimeoutArgument; ++index) {
        line >> argument;
    }
    // poll's timeout, or ppoll's pointer to one: zero means "just look", which the
    // event loop also does while it still has work queued.
    return !argument.empty() && argument.find_first_not_of("0x") != std::string::npos;
}

std::optional<ProgramRun::Clock::time_point> ProgramRun::WaitForEventLoop(
    std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = m_started + timeout;
    while (Clock::now() < deadline && Running()) {
        if (MainThreadWaitsInPoll()) {
            return Clock::now();
        }
        std::this_thread::sleep_for(kSampleStep);
    }
    return std::nullopt;
}

double ProgramRun::CpuSeconds() const {
    // The first field of each thread's schedstat is its time on a CPU in nanoseconds,
    // far finer than the clock ticks of /proc/<pid>/stat.
    double nanoseconds = 0.0;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(ProcPath("task"), error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double onCpu = 0.0;
        if (schedstat >> onCpu) {
            nanoseconds += onCpu;
        }
    }
    return nanoseconds / kNanosecondsPerSecond;
}

double ProgramRun::PeakResidentMb() const {
    std::istringstream status(ReadWhole(ProcPath("status")));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(line.find_first_of("0123456789"))) / kKbPerMb;
        }
    }
    return 0.0;
}

void ProgramRun::Stop() {
    if (m_reaped) {
        return;
    }
    ::kill(m_pid, SIGTERM);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_reaped = true;
}

}  // namespace dimrix::bench
