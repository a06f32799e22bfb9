#include "serial/Transmitter.h"

#include <span>

namespace dimrix::serial {

Transmitter::Transmitter(const LineSettings& settings) : m_queue(settings), m_pacer(settings) {}

Transmitter::Wake Transmitter::Queue(protocol::Byte value, TimePoint now) {
    m_queue.Push(value, now);
    if (m_timedPumpDue) {
        return Wake::None;
    }
    if (!m_queue.Overrun(now) && !m_queue.FrameOpen()) {
        return Wake::Now;
    }
    if (m_postedPumpDue) {
        return Wake::None;
    }
    m_postedPumpDue = true;
    return Wake::Post;
}

std::optional<Transmitter::TimePoint> Transmitter::PumpPosted(LineDriver& driver, TimePoint now) {
    m_postedPumpDue = false;
    return Pump(driver, now);
}

void Transmitter::Clear() {
    m_queue.Clear();
    m_timedPumpDue = false;
    m_postedPumpDue = false;
}

std::optional<Transmitter::TimePoint> Transmitter::Pump(LineDriver& driver, TimePoint now) {
    m_timedPumpDue = false;
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
            m_timedPumpDue = true;
            return now + kFullDriverRetry;
        }
    }
    if (m_queue.Empty()) {
        return std::nullopt;
    }
    m_timedPumpDue = true;
    return m_pacer.RefillTime(now, due > 0 ? driver.Holds() : holds);
}

bool Transmitter::LineIdle(LineDriver& driver, TimePoint now) const {
    return m_queue.Empty() && now >= m_pacer.IdleTime() && driver.Holds() == 0;
}

}  // namespace dimrix::serial
