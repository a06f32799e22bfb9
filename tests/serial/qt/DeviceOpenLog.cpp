#include "serial/qt/DeviceOpenLog.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace dimrix::testing {

namespace {

constexpr std::size_t kEventBufferSize = 4096;
constexpr std::uint32_t kWatchedEvents = IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE;

}  // namespace

DeviceOpenLog::DeviceOpenLog(const std::vector<std::string>& paths)
    : m_inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (m_inotify < 0) {
        throw std::system_error(errno, std::generic_category(), "inotify_init1");
    }
    for (const std::string& path : paths) {
        const int watch = ::inotify_add_watch(m_inotify, path.c_str(), kWatchedEvents);
        if (watch < 0) {
            throw std::system_error(errno, std::generic_category(), "inotify_add_watch");
        }
        m_watches.emplace_back(watch, path);
    }
}

DeviceOpenLog::~DeviceOpenLog() {
    ::close(m_inotify);
}

const std::vector<std::string>& DeviceOpenLog::Events() {
    alignas(inotify_event) std::array<char, kEventBufferSize> buffer{};
    for (;;) {
        const ssize_t length = ::read(m_inotify, buffer.data(), buffer.size());
        if (length <= 0) {
            return m_events;
        }
        for (ssize_t offset = 0; offset < length;) {
            inotify_event event{};
            std::memcpy(&event, buffer.data() + offset, sizeof event);
            offset += static_cast<ssize_t>(sizeof event + event.len);
            const auto watch =
                std::ranges::find(m_watches, event.wd, &std::pair<int, std::string>::first);
            if (watch == m_watches.end()) {
                continue;
            }
            const char* kind = (event.mask & IN_OPEN) != 0 ? "open " : "close ";
            if ((event.mask & (IN_OPEN | IN_CLOSE)) != 0) {
                m_events.push_back(kind + watch->second);
            }
        }
    }
}

}  // namespace dimrix::testing
