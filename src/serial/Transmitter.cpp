#include "serial/Transmitter.h"

#include <algorithm>
#include <span>
#include <string>
#include <utility>

#include "serial/ErrorNumber.h"
#include "serial/LinkError.h"

namespace dimrix::serial {

Transmitter::Transmitter(const LineSettings& settings) : m_pacer(settings) {}

Transmitter::Wake Transmitter::Kick(bool atOnce) {
    if (m_timedPumpDue) {
        return Wake::None;
    }
    if (atOnce) {
        return Wake::Now;
    }
    if (m_postedPumpDue) {
        return Wake::None;
    }
    m_postedPumpDue = true;
    return Wake::Post;
}

std::optional<Transmitter::TimePoint> Transmitter::PumpPosted(FrameSource& source,
                                                              LineDriver& driver, TimePoint now) {
    m_postedPumpDue = false;
    return Pump(source, driver, now);
}

void Transmitter::Clear() {
    m_refused = 0;
    m_timedPumpDue = false;
    m_postedPumpDue = false;
}

std::optional<Transmitter::TimePoint> Transmitter::Pump(FrameSource& source, LineDriver& driver,
                                                        TimePoint now) {
    m_timedPumpDue = false;
    m_holds.reset();
    if (m_refused > 0 && !HandRefused(driver, now)) {
        m_timedPumpDue = true;
        return now + kFullDriverRetry;
    }
    for (std::size_t size = source.NextSize(now); size > 0; size = source.NextSize(now)) {
        // The driver's own count can only lower the clock's room, so it is asked only
        // where the clock leaves room: once a pump, and never for a pump that finds none.
        std::size_t room = m_pacer.Room(now, 0);
        if (room >= size) {
            if (!m_holds) {
                m_holds = driver.Holds();
            }
            room = m_pacer.Room(now, *m_holds);
        }
        if (room < size) {
            break;
        }
        const std::size_t count = source.TakeFrame(std::span(m_chunk).first(room), now);
        if (count == 0) {
            break;
        }
        if (!Hand(driver, count, now)) {
            m_timedPumpDue = true;
            return now + kFullDriverRetry;
        }
    }
    if (const std::size_t size = source.NextSize(now); size > 0) {
        m_timedPumpDue = true;
        return m_pacer.FitTime(now, m_holds.value_or(0), size);
    }
    return source.DueAt();
}

bool Transmitter::HandRefused(LineDriver& driver, TimePoint now) {
    const std::size_t count = std::exchange(m_refused, 0);
    return Hand(driver, count, now);
}

bool Transmitter::Hand(LineDriver& driver, std::size_t count, TimePoint now) {
    const std::size_t taken = driver.Accept(std::span(m_chunk).first(count));
    if (taken > count) {
        throw LinkError(errors::kWriteFailed, "the driver took " + std::to_string(taken) +
                                                  " bytes of " + std::to_string(count));
    }
    m_pacer.Handed(taken, now);
    if (m_holds) {
        *m_holds += taken;
    }
    if (taken == count) {
        return true;
    }
    // What the driver refused goes first next time, ahead of anything the source holds.
    std::copy(m_chunk.begin() + static_cast<std::ptrdiff_t>(taken),
              m_chunk.begin() + static_cast<std::ptrdiff_t>(count), m_chunk.begin());
    m_refused = count - taken;
    return false;
}

bool Transmitter::LineIdle(const LineDriver& driver, TimePoint now) const {
    return m_refused == 0 && now >= m_pacer.IdleTime() && driver.Holds() == 0;
}

}  // namespace dimrix::serial
