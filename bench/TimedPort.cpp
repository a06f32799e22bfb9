#include "TimedPort.h"

namespace dimrix::bench {

TimedPort::TimedPort(const std::string& device, WriteLog& log, std::size_t capacity)
    : QtPortService(serial::PortPaths{device, device}), m_log(log) {
    m_log.bytes.reserve(capacity);
    m_log.times.reserve(capacity);
    m_log.queued.reserve(capacity);
}

// Logged only once the real port has taken the byte: a refused write never reached
// the line.
void TimedPort::Write(protocol::Byte value) {
    const auto now = std::chrono::steady_clock::now();
    QtPortService::Write(value);
    m_log.bytes.push_back(value);
    m_log.times.push_back(now);
    m_log.queued.push_back(QueuedBytes());
}

}  // namespace dimrix::bench
