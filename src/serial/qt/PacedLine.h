#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/FrameSource.h"
#include "serial/LineSettings.h"
#include "serial/LinkError.h"
#include "serial/qt/DeviceListener.h"
#include "serial/qt/PacedDevice.h"

namespace dimrix::serial {

// The line a program transmits on: the device it has open and everything that paces it.
//
// Whenever the line has room for a frame, the program's frame source is asked for one
// (Transmitter): the driver holds about a frame more than the wire is sending, so a newer
// command never waits behind stale frames, and a full driver (a stalled reader, a slow
// adapter) is only a reason to wait, never a fault. Needs a QCoreApplication and its
// event loop.
//
// - A device that fails while open (unplugged, refusing writes) is let go, and the owner
//   is told at once, idle or not. Opening it again is the owner's choice (DeviceReopener
//   tries once a second).
// - Closing never holds up the event loop: what the source still holds is taken from it
//   and leaves at the line's pace, within twice its line time plus half a second (past
//   that the line counts as stuck); only once the wire is quiet does the device get its
//   old settings back and go. The source is free for the next device meanwhile.
// - Opened on another device meanwhile, both run side by side. Opened again on the same
//   device, the open waits until the drain has let it go; what the source gets meanwhile
//   goes once it is open again, and a failure of that open is told to the owner.
// - Destroyed, it lets everything out without an event loop, sleeping until each
//   hand-over is due.
class PacedLine : private DeviceListener {
public:
    // `source` and `owner` must outlive the line.
    PacedLine(FrameSource& source, DeviceListener& owner);
    ~PacedLine() override;
    PacedLine(const PacedLine&) = delete;
    PacedLine& operator=(const PacedLine&) = delete;

    // Opens `device` with `settings`, no flow control.
    // Throws LinkError naming the device and the system's reason; std::logic_error while
    // open.
    void Open(const std::string& device, const LineSettings& settings);
    // Lets the source's backlog out, then the device go, then calls `released`, which may
    // be empty. Returns at once; the line counts as closed from then on.
    void Close(std::function<void()> released = {});
    // The source holds something new; `atOnce` when it wants that on the driver before
    // the sender goes on (Transmitter::Kick).
    // Throws LinkError when the device failed; the owner is told too.
    void Kick(bool atOnce);
    // Hands the driver what the line has room for now, whatever was asked before.
    // Throws as Kick.
    void Pump();

    // Open, its device there and working.
    [[nodiscard]] bool Transmitting() const { return m_current && m_current->Transmitting(); }
    // Why the device that was open last failed, until the next Open.
    [[nodiscard]] const std::optional<LinkError>& Fault() const;
    // Whether the open device is still there, asking its handle; true while an open waits
    // for the drain.
    bool Probe();

private:
    // An open waiting for a drain of the same device to let it go.
    struct WaitingOpen {
        std::string device;
        LineSettings settings;
    };

    [[nodiscard]] std::unique_ptr<PacedDevice> MakeDevice();
    void OnDrained(const std::string& device);
    void OnDeviceLost(const LinkError& fault) override;

    FrameSource& m_source;
    DeviceListener& m_owner;
    std::optional<WaitingOpen> m_waiting;
    std::unique_ptr<PacedDevice> m_current;
    // Closed devices still letting their last bytes out.
    std::vector<std::unique_ptr<PacedDevice>> m_draining;
};

}  // namespace dimrix::serial
