#include "program/ProgramRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>
#include <vector>

extern char** environ;

namespace dimrix::bench {

namespace {

// Fine enough to place an event a start-up of a hundred milliseconds or more contains,
// coarse enough not to take a whole core from the program being timed.
constexpr std::chrono::microseconds kSampleStep{500};

// The waits an event loop blocks in, by the C library's names for this architecture's
// system call numbers; some architectures (arm64) have only ppoll.
bool IsPollCall(long number) {
#ifdef SYS_poll
    if (number == SYS_poll) {
        return true;
    }
#endif
    return number == SYS_ppoll;
}
// In /proc/<pid>/syscall the number comes first, then the six arguments.
constexpr int kTimeoutArgument = 2;

constexpr int kStatUtimeField = 14;
constexpr int kStatStimeField = 15;
constexpr double kNanosecondsPerSecond = 1e9;

std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string>& overrides) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable(*entry);
        const std::string name = variable.substr(0, variable.find('='));
        if (overrides.count(name) == 0) {
            merged.push_back(variable);
        }
    }
    for (const auto& [name, value] : overrides) {
        merged.push_back(name + '=' + value);
    }
    return merged;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ProgramRun::ProgramRun(const std::string& program,
                       const std::map<std::string, std::string>& environment) {
    std::vector<std::string> variables = MergedEnvironment(environment);
    std::vector<char*> envp;
    for (std::string& variable : variables) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    m_started = Clock::now();
    const int failed = ::posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        throw std::system_error(failed, std::generic_category(), "posix_spawn " + program);
    }
}

ProgramRun::~ProgramRun() {
    if (!m_reaped) {
        Stop();
    }
}

std::string ProgramRun::ProcPath(const std::string& leaf) const {
    return "/proc/" + std::to_string(m_pid) + "/" + leaf;
}

bool ProgramRun::Running() const {
    if (m_reaped) {
        return false;
    }
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
    // The first field of each thread's schedstat is its time on a CPU in nanoseconds.
    double nanoseconds = 0.0;
    bool any = false;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(ProcPath("task"), error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double onCpu = 0.0;
        if (schedstat >> onCpu) {
            nanoseconds += onCpu;
            any = true;
        }
    }
    if (any) {
        return nanoseconds / kNanosecondsPerSecond;
    }
    const std::string text = ReadWhole(ProcPath("stat"));
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    // Fields after the command name start at the third.
    std::string field;
    double ticks = 0.0;
    for (int index = 3; index <= kStatStimeField && fields >> field; ++index) {
        if (index == kStatUtimeField || index == kStatStimeField) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

long ProgramRun::PeakResidentKb() const {
    std::istringstream status(ReadWhole(ProcPath("status")));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(line.find_first_of("0123456789")));
        }
    }
    return 0;
}

long ProgramRun::Stop() {
    if (m_reaped) {
        return 0;
    }
    ::kill(m_pid, SIGTERM);
    int status = 0;
    rusage usage{};
    while (::wait4(m_pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    m_reaped = true;
    return usage.ru_maxrss;
}

}  // namespace dimrix::bench
