#include "serial/qt/PumpTimer.h"

#include <algorithm>
#include <utility>

namespace dimrix::serial {

PumpTimer::PumpTimer(std::function<void()> pump) {
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), std::move(pump));
}

void PumpTimer::WakeAt(std::optional<Clock::time_point> wake, Clock::time_point now) {
    if (!wake) {
        return;
    }
    m_timer->start(std::max(std::chrono::ceil<std::chrono::milliseconds>(*wake - now),
                            std::chrono::milliseconds::zero()));
}

}  // namespace dimrix::serial
