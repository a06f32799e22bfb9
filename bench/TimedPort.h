#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "serial/qt/QtPortService.h"

namespace dimrix::bench {

/// Every byte the panel handed to the port, when, and what the port's queue held just
/// after. Owned by the bench; the panel owns the port.
struct WriteLog {
    std::vector<std::uint8_t> bytes;
    std::vector<std::chrono::steady_clock::time_point> times;
    std::vector<std::size_t> queued;
};

/// The real Qt port, with COM1 and COM2 both on one device, noting every write in a log:
/// the queue only grows by a write, so the sizes noted catch its largest.
class TimedPort : public serial::QtPortService {
public:
    TimedPort(const std::string& device, WriteLog& log);

    void Write(protocol::Byte value) override;

private:
    WriteLog& m_log;
};

}  // namespace dimrix::bench
