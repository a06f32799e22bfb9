#pragma once

#include <string>
#include <vector>

namespace dimrix::testing {

// Every open and close of the watched device files, in the order the kernel saw them
// (inotify): "open /dev/pts/3", "close /dev/pts/3".
class DeviceOpenLog {
public:
    explicit DeviceOpenLog(const std::vector<std::string>& paths);
    ~DeviceOpenLog();
    DeviceOpenLog(const DeviceOpenLog&) = delete;
    DeviceOpenLog& operator=(const DeviceOpenLog&) = delete;

    // The events so far, oldest first.
    [[nodiscard]] const std::vector<std::string>& Events();

private:
    int m_inotify = -1;
    std::vector<std::pair<int, std::string>> m_watches;
    std::vector<std::string> m_events;
};

}  // namespace dimrix::testing
