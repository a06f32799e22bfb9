#include "wire/TimedPort.h"

#include <utility>

namespace dimrix::bench {

TimedPort::TimedPort(std::unique_ptr<serial::PortService> port, WriteLog& log, std::size_t capacity,
                     QueueProbe queue)
    : m_port(std::move(port)), m_log(log), m_queue(std::move(queue)) {
    m_log.bytes.reserve(capacity);
    m_log.times.reserve(capacity);
    if (m_queue) {
        m_log.queued.reserve(capacity);
    }
}

// Logged only once the real port has taken the byte: a refused write never reached
// the line.
void TimedPort::Write(protocol::Byte value) {
    const auto now = std::chrono::steady_clock::now();
    m_port->Write(value);
    m_log.bytes.push_back(value);
    m_log.times.push_back(now);
    if (m_queue) {
        m_log.queued.push_back(m_queue());
    }
}

}  // namespace dimrix::bench
