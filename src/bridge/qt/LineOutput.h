#pragma once

#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "bridge/IdentifyFlash.h"
#include "bridge/LinePatch.h"
#include "bridge/LineScheduler.h"
#include "bridge/qt/BridgeLog.h"
#include "serial/LineSettings.h"
#include "serial/qt/DeviceListener.h"
#include "serial/qt/DeviceReopener.h"
#include "serial/qt/PacedLine.h"

namespace dimrix::bridge {

// One serial line of the bridge: its patch into a universe, the scheduler that decides
// what the line carries, and the paced line it goes out on, which asks the scheduler for
// each frame.
//
// A device that goes away is logged once and tried again about once a second; back, it
// gets every board's levels before anything else, since its boards may have lost power
// with it. Needs a QCoreApplication and its event loop.
class LineOutput : private serial::DeviceListener {
public:
    // `log` must outlive the line.
    LineOutput(LinePatch patch, const serial::LineSettings& settings, const BridgeLog& log);
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
        return m_line.Transmitting() && m_scheduler.HasDesired();
    }
    [[nodiscard]] const LineScheduler& Scheduler() const { return m_scheduler; }

    // Flashes `board` over whatever the merge gives the line (IdentifyFlash); before the
    // universe's first data, over a line of zeros.
    void Identify(protocol::Address board);
    [[nodiscard]] const IdentifyFlash& Flash() const { return m_flash; }
    // Since when the device has been away, while it is.
    [[nodiscard]] std::optional<std::chrono::system_clock::time_point> LostSince() const {
        return m_lostSince;
    }
    // When the device came back after it was lost, if it did.
    [[nodiscard]] std::optional<std::chrono::steady_clock::time_point> BackAt() const {
        return m_backAt;
    }

private:
    // The merged levels with the flash over them, to the scheduler.
    void Carry();
    void OnBack();
    void OnDeviceLost(const serial::LinkError& fault) override;

    LinePatch m_patch;
    serial::LineSettings m_settings;
    const BridgeLog& m_log;
    LineScheduler m_scheduler;
    // The line's levels as the merge gives them.
    LineLevels m_merged{};
    IdentifyFlash m_flash;
    // Wakes the line at each half period of a flash, and at its end.
    std::unique_ptr<QTimer> m_flashStep = std::make_unique<QTimer>();
    std::optional<std::chrono::system_clock::time_point> m_lostSince;
    std::optional<std::chrono::steady_clock::time_point> m_backAt;
    bool m_stopping = false;
    // After the scheduler, its frame source.
    serial::PacedLine m_line{m_scheduler, *this};
    serial::DeviceReopener m_reopener{[this] { Open(); }, [this] { OnBack(); }};
};

}  // namespace dimrix::bridge
