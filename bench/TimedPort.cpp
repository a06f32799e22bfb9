#include "TimedPort.h"

#include "WireReader.h"

namespace dimrix::bench {

// Room reserved up front, so that logging does not allocate while the panel is timed.
TimedPort::TimedPort(const std::string& device, WriteLog& log)
    : QtPortService(serial::PortPaths{device, device}), m_log(log) {
    m_log.bytes.reserve(WireReader::kCapacity);
    m_log.times.reserve(WireReader::kCapacity);
    m_log.queued.reserve(WireReader::kCapacity);
}

// Logged only once the real port has taken it: a refused byte never reached the line.
void TimedPort::Write(protocol::Byte value) {
    const auto now = std::chrono::steady_clock::now();
    QtPortService::Write(value);
    m_log.bytes.push_back(value);
    m_log.times.push_back(now);
    m_log.queued.push_back(QueuedBytes());
}

}  // namespace dimrix::bench
