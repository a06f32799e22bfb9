#include "serial/qt/OpenFailureCause.h"

#include "serial/ErrorWords.h"

#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <string_view>
#include <system_error>

// How a refused open is told apart on POSIX systems: the device's permissions, and the
// lock file QSerialPort keeps for it.

namespace dimrix::serial {

namespace {

constexpr char kPathSeparator = '/';

// Where QSerialPort looks for the lock file, in its order: it takes the first readable
// directory that already holds the device's lock file or that it may write to.
constexpr auto kLockDirectories = std::to_array<std::string_view>({
    "/var/lock",
    "/etc/locks",
    "/var/spool/locks",
    "/var/spool/uucp",
    "/tmp",
    "/var/tmp",
    "/var/lock/lockdev",
    "/run/lock",
});

std::string SystemReason(int error) {
    return std::system_category().message(error);
}

// 0 when the current user may access `path` so, else the system's errno.
int AccessError(const std::string& path, int mode) {
    return ::access(path.c_str(), mode) == 0 ? 0 : errno;
}

bool ProcessLives(pid_t pid) {
    // EPERM: it exists, under another user.
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

}  // namespace

OpenFailureCause::Finding OpenFailureCause::ExamineRefusal(const std::string& reason) const {
    const int deviceError = AccessError(m_device, R_OK | W_OK);
    if (deviceError == EACCES || deviceError == EPERM) {
        return {OpenRefusal::DeviceDenied, reason};
    }
    return ExamineLock(reason);
}

OpenFailureCause::Finding OpenFailureCause::ExamineLock(const std::string& reason) const {
    for (const std::string_view entry : kLockDirectories) {
        const std::string directory(entry);
        if (AccessError(directory, R_OK) != 0) {
            continue;
        }
        const std::string path = directory + kPathSeparator + m_lockName;
        const bool exists = AccessError(path, F_OK) == 0;
        if (exists) {
            return ExamineLockFile(directory, path);
        }
        const int writeError = AccessError(directory, W_OK);
        if (writeError == 0) {
            // The lock was taken and let go again: the device itself said no.
            return {OpenRefusal::HeldElsewhere,
                    std::string(ErrorWords::Meaning(errors::kPortBusy)) + " (" + reason + ")"};
        }
    }
    return NoLockDirectory();
}

OpenFailureCause::Finding OpenFailureCause::ExamineLockFile(const std::string& directory,
                                                            const std::string& path) const {
    // The lock file's first line is the number of the process that holds it.
    std::ifstream lock(path);
    long long pid = 0;
    if (!(lock >> pid) || pid <= 0) {
        return {OpenRefusal::LockUnavailable, "lock file " + path + " names no process"};
    }
    const std::string process = "process " + std::to_string(pid);
    if (ProcessLives(static_cast<pid_t>(pid))) {
        return {OpenRefusal::HeldElsewhere, std::string(ErrorWords::Meaning(errors::kPortBusy)) +
                                                " (lock file " + path + " names " + process + ")"};
    }
    const int writeError = AccessError(directory, W_OK);
    return {OpenRefusal::LockUnavailable,
            "lock file " + path + " of ended " + process + " cannot be removed (" +
                SystemReason(writeError == 0 ? EACCES : writeError) + ")"};
}

OpenFailureCause::Finding OpenFailureCause::NoLockDirectory() const {
    // Several names may lead to one directory (/var/lock is often /run/lock); each is
    // told once, under its real name.
    std::set<std::filesystem::path> told;
    std::string reasons;
    for (const std::string_view entry : kLockDirectories) {
        std::error_code ignored;
        const std::filesystem::path directory = std::filesystem::canonical(entry, ignored);
        if (directory.empty() || !told.insert(directory).second) {
            continue;
        }
        int error = AccessError(directory.string(), R_OK);
        if (error == 0) {
            error = AccessError(directory.string(), W_OK);
        }
        reasons += (reasons.empty() ? "" : "; ") + directory.string() + ": " + SystemReason(error);
    }
    return {OpenRefusal::LockUnavailable,
            "cannot create lock file " + m_lockName + ", no writable lock directory (" +
                (reasons.empty() ? std::string("none exists") : reasons) + ")"};
}

}  // namespace dimrix::serial
