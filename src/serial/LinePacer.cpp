#include "serial/LinePacer.h"

#include <algorithm>
#include <stdexcept>

namespace dimrix::serial {

LinePacer::LinePacer(const LineSettings& settings) {
    if (settings.baudRate <= 0) {
        throw std::invalid_argument("the line needs a baud rate");
    }
    m_byteTime =
        std::chrono::duration_cast<Duration>(std::chrono::seconds(settings.BitsPerByte())) /
        settings.baudRate;
}

std::size_t LinePacer::Held(TimePoint now, std::size_t driverHolds) const {
    const Duration ahead = m_lineFreeAt - now;
    // A byte partly on the wire still counts as held.
    const std::size_t byClock =
        ahead > Duration::zero()
            ? static_cast<std::size_t>((ahead + m_byteTime - Duration(1)) / m_byteTime)
            : 0;
    return std::max(byClock, driverHolds);
}

std::size_t LinePacer::Room(TimePoint now, std::size_t driverHolds) const {
    const std::size_t held = Held(now, driverHolds);
    return held >= kDriverTarget ? 0 : kDriverTarget - held;
}

void LinePacer::Handed(std::size_t count, TimePoint now) {
    m_lineFreeAt = std::max(m_lineFreeAt, now) + m_byteTime * static_cast<Duration::rep>(count);
}

LinePacer::TimePoint LinePacer::FitTime(TimePoint now, std::size_t driverHolds,
                                        std::size_t size) const {
    const std::size_t held = Held(now, driverHolds) + std::min(size, kDriverTarget);
    // At least one byte time away, so a driver that reports more than the clock knows
    // about is asked again soon without spinning.
    const std::size_t toDrain = held > kDriverTarget ? held - kDriverTarget : 1;
    return now + m_byteTime * static_cast<Duration::rep>(toDrain);
}

}  // namespace dimrix::serial
