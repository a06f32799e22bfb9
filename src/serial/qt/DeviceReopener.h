#pragma once

#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

namespace dimrix::serial {

// Opens a lost device again: tries about once a second until it opens, then tells its
// owner it is back. Reopening is the owner's choice: the bridge and the bus monitor keep
// their line through an unplugged adapter; the panel, whose port opens only on GO, never
// uses it. Needs a QCoreApplication and its event loop.
class DeviceReopener {
public:
    static constexpr std::chrono::seconds kPeriod{1};

    // `open` opens the device, throwing LinkError while it is still away; `back` runs once
    // it has opened.
    DeviceReopener(std::function<void()> open, std::function<void()> back);

    // The first try comes a period from now. Nothing changes when it is already trying.
    void Start();
    void Stop() { m_timer->stop(); }
    [[nodiscard]] bool Trying() const { return m_timer->isActive(); }

private:
    void Try();

    std::function<void()> m_open;
    std::function<void()> m_back;
    std::unique_ptr<QTimer> m_timer = std::make_unique<QTimer>();
};

}  // namespace dimrix::serial
