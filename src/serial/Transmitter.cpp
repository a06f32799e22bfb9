#include "serial/Transmitter.h"

#include <span>

namespace dimrix::serial {

Transmitter::Transmitter(const LineSettings& settings) : m_pacer(settings) {}

void Transmitter::Queue(protocol::Byte value, TimePoint now) {
    m_queue.Push(value, now);
}

bool Transmitter::PumpsAtOnce(TimePoint now) const {
    return !m_queue.Overrun(now) && !m_queue.FrameOpen();
}

std::optional<Transmitter::TimePoint> Transmitter::Pump(LineDriver& driver, TimePoint now) {
    if (m_queue.Empty()) {
        return std::nullopt;
    }
    const std::size_t holds = driver.Holds();
    const std::size_t due = m_queue.Due(m_pacer.Room(now, holds), m_chunk);
    if (due > 0) {
        const std::size_t taken = driver.Accept(std::span(m_chunk).first(due));
        m_pacer.Handed(taken, now);
        m_queue.Consume(taken, now);
        if (taken < due) {
            return now + kFullDriverRetry;
        }
    }
    if (m_queue.Empty()) {
        return std::nullopt;
    }
    return m_pacer.RefillTime(now, due > 0 ? driver.Holds() : holds);
}

bool Transmitter::LineIdle(LineDriver& driver, TimePoint now) const {
    return m_queue.Empty() && now >= m_pacer.IdleTime() && driver.Holds() == 0;
}

}  // namespace dimrix::serial
