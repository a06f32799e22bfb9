#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "protocol/Protocol.h"
#include "serial/ErrorNumber.h"
#include "serial/LineDriver.h"
#include "serial/LineSettings.h"
#include "serial/Transmitter.h"
#include "serial/qt/DeviceListener.h"
#include "serial/qt/PumpTimer.h"
#include "serial/qt/SerialDevice.h"

namespace dimrix::serial {

// A serial device that transmits: what a program that writes frames to the line owns.
//
// Sent bytes wait in the program's own transmit queue, which hands them to the driver
// at the pace of the line (see Transmitter): the driver never holds a backlog, so a
// newer command never waits behind stale frames, and a full driver (a stalled reader,
// a slow adapter) is only a reason to wait, never a fault.
//
// A device that fails while open (unplugged adapter, refused write) turns the port
// "broken": it still counts as open, so the next send reaches Write and fails with the
// fault's own number instead of passing for a port nobody opened; what was still queued
// is dropped with the device, and the owner's listener hears of it at once, idle or not.
// Close() then ends the broken state, and the next Open starts afresh.
//
// Closing never stops the event loop: what is queued leaves at the line's pace from the
// event loop, and only then are the device's settings put back and the device let go.
// Opened again meanwhile, the device is closed and opened once what was queued before
// has left, and what is sent from then on waits for that.
class QtSerialDevice : private LineDriver, private DeviceListener {
public:
    using Clock = Transmitter::Clock;

    // `owner` hears of a device lost; may be null, and must outlive the device otherwise.
    explicit QtSerialDevice(DeviceListener* owner = nullptr);
    // Lets what is still queued out first, at the line's pace, within the drain deadline.
    ~QtSerialDevice() override;
    QtSerialDevice(const QtSerialDevice&) = delete;
    QtSerialDevice& operator=(const QtSerialDevice&) = delete;

    // Opens `device` with `settings` and no flow control; on a device still closing, the
    // same device again once its queue has left.
    // Throws LinkError naming the device and the system's reason.
    // Throws std::logic_error when open, or closing another device.
    void Open(const std::string& device, const LineSettings& settings);
    // Closes once the queued bytes have left the wire (within twice the line time they
    // need); a broken port is closed at once. Returns at once. Does nothing when closed.
    void Close();
    // Open, or broken and not yet closed; not while closing.
    [[nodiscard]] bool IsOpen() const { return m_state == State::Open || m_state == State::Broken; }
    // Closed by its owner, but still letting its queue out before it lets the device go.
    [[nodiscard]] bool IsClosing() const { return m_state == State::Closing; }
    // The device opened last.
    [[nodiscard]] const std::string& Device() const { return m_device.Device(); }
    // Queues one byte and returns.
    // Throws LinkError: errors::kPortNotOpen when closed, the fault's number when broken.
    void Write(protocol::Byte value);
    // Bytes queued and not yet handed to the driver.
    [[nodiscard]] std::size_t Waiting() const;

    // Whether QSerialPort has a form for these settings; checked before any device is
    // touched, so a bad settings text never costs an open.
    // Throws LinkError(errors::kSettingsRejected) for a setting QSerialPort cannot take.
    static void CheckSettings(const LineSettings& settings);

private:
    enum class State { Closed, Open, Closing, Broken };

    // Transmitter::Pump, or PumpPosted from the call a Post asked for.
    using PumpStep = std::optional<Transmitter::TimePoint> (Transmitter::*)(LineDriver&,
                                                                            Transmitter::TimePoint);

    // Pumps, then carries a close or a reopen out once the line has gone quiet. Returns
    // when to come back. Throws LinkError when the device failed.
    std::optional<Clock::time_point> Advance(PumpStep step, Clock::time_point now);
    void PumpFromEventLoop(PumpStep step);
    void StartDrain(Clock::time_point now);
    void Reopen();
    void MarkFailed(ErrorNumber number);
    void Release();
    // The drain without an event loop, when the device is destroyed.
    void Finish();

    std::size_t Accept(std::span<const protocol::Byte> bytes) override;
    [[nodiscard]] std::size_t Holds() const override;
    void OnDeviceLost(const LinkError& fault) override;

    DeviceListener* m_owner = nullptr;
    State m_state = State::Closed;
    ErrorNumber m_fault = 0;
    // Until then a closing device's queue may take to leave; past it the line counts
    // as stuck, and the device is let go with the rest.
    Clock::time_point m_drainDeadline{};
    // Settings to open the device again with once the queue before has left, and what
    // is sent meanwhile.
    std::optional<LineSettings> m_reopen;
    std::unique_ptr<Transmitter> m_transmitter;
    std::unique_ptr<Transmitter> m_afterReopen;
    PumpTimer m_pumpTimer{[this] { PumpFromEventLoop(&Transmitter::Pump); }};
    // Last, so it goes first: its closing may still signal into the members above.
    SerialDevice m_device{*this};
};

}  // namespace dimrix::serial
