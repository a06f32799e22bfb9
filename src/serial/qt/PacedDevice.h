#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "protocol/Protocol.h"
#include "serial/FrameSource.h"
#include "serial/LineDriver.h"
#include "serial/LineSettings.h"
#include "serial/LinkError.h"
#include "serial/PendingBytes.h"
#include "serial/Transmitter.h"
#include "serial/qt/DeviceListener.h"
#include "serial/qt/PumpTimer.h"
#include "serial/qt/SerialDevice.h"

namespace dimrix::serial {

// One opening of a device to transmit on: the device, fed by a frame source at the pace
// of the line (Transmitter) and pumped from the event loop, until it drains what the
// source held and lets the device go. PacedLine owns these; see it for the whole story.
class PacedDevice : private LineDriver, private DeviceListener {
public:
    using Clock = Transmitter::Clock;
    using TimePoint = Transmitter::TimePoint;

    // `source` and `owner` must outlive it. `owner` hears of the device lost while it
    // transmits; once it drains, a loss only ends the drain.
    PacedDevice(FrameSource& source, DeviceListener& owner);
    // Drains without an event loop, sleeping until each hand-over is due.
    ~PacedDevice() override;
    PacedDevice(const PacedDevice&) = delete;
    PacedDevice& operator=(const PacedDevice&) = delete;

    // Opens `device` to transmit, on a device that is not open.
    // Throws LinkError naming the device and the system's reason.
    void Open(const std::string& device, const LineSettings& settings);
    // The source holds something new: Transmitter::Kick carried out.
    // Throws LinkError when the device failed; the owner hears of it too.
    void Kick(bool atOnce);
    // Hands the driver what the line has room for now. Throws as Kick.
    void Pump();
    // Takes what the source holds, lets it out within twice its line time (plus a margin),
    // then lets the device go and calls `released`: from the event loop, or at once when
    // the line is already quiet or the device gone. Called again while draining, it takes
    // what the source got meanwhile too.
    void Drain(std::function<void()> released);

    // Open, not failed, not draining.
    [[nodiscard]] bool Transmitting() const { return m_device.Healthy() && !m_draining; }
    // Draining, and the device not yet let go.
    [[nodiscard]] bool Draining() const { return m_draining; }
    [[nodiscard]] const std::string& Device() const { return m_device.Device(); }
    [[nodiscard]] const std::optional<LinkError>& Fault() const { return m_device.Fault(); }
    // SerialDevice::Probe.
    bool Probe() { return m_device.Probe(); }

private:
    using PumpStep = std::optional<TimePoint> (Transmitter::*)(FrameSource&, LineDriver&,
                                                               TimePoint);

    // Pumps, then, draining, lets the device go once the line has gone quiet or the
    // deadline passed. Returns when to come back.
    std::optional<TimePoint> Advance(PumpStep step, TimePoint now);
    void PumpFromEventLoop(PumpStep step);
    // Takes what the source holds and sets the deadline for it.
    void StartDrain(TimePoint now);
    // Lets the device go; ends a drain.
    void Release();

    std::size_t Accept(std::span<const protocol::Byte> bytes) override;
    [[nodiscard]] std::size_t Holds() const override;
    void OnDeviceLost(const LinkError& fault) override;

    FrameSource& m_source;
    DeviceListener& m_owner;
    // What the source held when the drain began; the drain's source.
    PendingBytes m_pending;
    // Made afresh at each opening, with its settings.
    std::optional<Transmitter> m_transmitter;
    bool m_draining = false;
    std::function<void()> m_released;
    // Past it a drain counts the line as stuck, and lets the device go with the rest.
    TimePoint m_deadline{};
    PumpTimer m_pumpTimer{[this] { PumpFromEventLoop(&Transmitter::Pump); }};
    // Last, so it goes first: its closing may still signal into the members above.
    SerialDevice m_device{*this};
};

}  // namespace dimrix::serial
