#pragma once

#include <QTimer>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "bridge/LinePatch.h"
#include "bridge/LineScheduler.h"
#include "bridge/qt/BridgeLog.h"
#include "serial/LineDriver.h"
#include "serial/LineSettings.h"
#include "serial/qt/DeviceListener.h"
#include "serial/qt/PumpTimer.h"
#include "serial/qt/SerialDevice.h"

namespace dimrix::bridge {

// One serial line of the bridge: its patch into a universe, the scheduler that decides
// what the line carries, and the device it goes out on, pumped from the event loop.
//
// A device that goes away is logged once and tried again about once a second; back, it
// gets every board's levels before anything else, since its boards may have lost power
// with it. Needs a QCoreApplication and its event loop.
class LineOutput : private serial::DeviceListener, private serial::LineDriver {
public:
    using Clock = LineScheduler::Clock;

    static constexpr std::chrono::seconds kReopenPeriod{1};
    // How long a stop waits for the last changes to leave: a full pass of 31 frames takes
    // 161 ms, so only a line that does not move runs into it.
    static constexpr std::chrono::seconds kDrainDeadline{2};

    // `log` must outlive the line.
    LineOutput(LinePatch patch, const serial::LineSettings& settings, const BridgeLog& log);
    ~LineOutput() override;
    LineOutput(const LineOutput&) = delete;
    LineOutput& operator=(const LineOutput&) = delete;

    // Opens the device. Throws serial::LinkError naming it and the system's reason.
    void Open();
    // The merged DMX slots of the line's universe, slot 1 first.
    void Show(std::span<const std::uint8_t> slots);
    // Lets the changes not yet sent leave, then the device go, and calls `done`; at once
    // when the device is not open. Nothing shown from then on is sent.
    void Stop(std::function<void()> done);

    [[nodiscard]] const LinePatch& Patch() const { return m_patch; }
    // Open, and carrying the levels of a universe that has a look.
    [[nodiscard]] bool Transmitting() const {
        return m_device.Healthy() && m_scheduler.HasDesired();
    }
    [[nodiscard]] const LineScheduler& Scheduler() const { return m_scheduler; }

private:
    void Pump();
    void TryReopen();
    void Finish();

    std::size_t Accept(std::span<const protocol::Byte> bytes) override;
    [[nodiscard]] std::size_t Holds() const override;
    void OnDeviceLost(const serial::LinkError& fault) override;

    LinePatch m_patch;
    serial::LineSettings m_settings;
    const BridgeLog& m_log;
    LineScheduler m_scheduler;
    std::function<void()> m_stopped;
    Clock::time_point m_drainDeadline{};
    bool m_stopping = false;
    serial::PumpTimer m_pump{[this] { Pump(); }};
    std::unique_ptr<QTimer> m_reopen = std::make_unique<QTimer>();
    // Last, so it goes first: its closing may still signal into the members above.
    serial::SerialDevice m_device{*this};
};

}  // namespace dimrix::bridge
