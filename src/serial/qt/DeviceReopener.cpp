#include "serial/qt/DeviceReopener.h"

#include <utility>

#include "serial/LinkError.h"

namespace dimrix::serial {

DeviceReopener::DeviceReopener(std::function<void()> open, std::function<void()> back)
    : m_open(std::move(open)), m_back(std::move(back)) {
    m_timer->setInterval(kPeriod);
    QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [this] { Try(); });
}

void DeviceReopener::Start() {
    if (!m_timer->isActive()) {
        m_timer->start();
    }
}

void DeviceReopener::Try() {
    try {
        m_open();
    } catch (const LinkError&) {
        // Still away; the owner said so once when it went.
        return;
    }
    m_timer->stop();
    m_back();
}

}  // namespace dimrix::serial
