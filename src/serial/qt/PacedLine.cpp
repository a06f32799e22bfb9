#include "serial/qt/PacedLine.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace dimrix::serial {

PacedLine::PacedLine(FrameSource& source, DeviceListener& owner)
    : m_source(source), m_owner(owner) {}

PacedLine::~PacedLine() {
    Close();
    // Each drain finishes as it is destroyed, current one first.
    m_draining.clear();
}

void PacedLine::Open(const std::string& device, const LineSettings& settings) {
    std::erase_if(m_draining, [](const auto& drain) { return !drain->Draining(); });
    if (m_waiting || Transmitting()) {
        throw std::logic_error("the line is already open");
    }
    // A device still draining holds its lock and its descriptor: opening it anew would be
    // refused, so the open waits for it to let go.
    if (std::ranges::any_of(m_draining,
                            [&device](const auto& drain) { return drain->Device() == device; })) {
        m_waiting = WaitingOpen{device, settings};
        return;
    }
    if (!m_current) {
        m_current = MakeDevice();
    }
    m_current->Open(device, settings);
}

void PacedLine::Close(std::function<void()> released) {
    if (m_waiting) {
        // What was sent for the open that never came follows what that device drains.
        const auto drain = std::ranges::find_if(m_draining, [this](const auto& draining) {
            return draining->Device() == m_waiting->device;
        });
        m_waiting.reset();
        if (drain != m_draining.end()) {
            (*drain)->Drain(std::move(released));
        } else if (released) {
            released();
        }
        return;
    }
    if (!m_current) {
        if (released) {
            released();
        }
        return;
    }
    PacedDevice& closing = *m_draining.emplace_back(std::move(m_current));
    closing.Drain([this, device = closing.Device(), released = std::move(released)] {
        OnDrained(device);
        if (released) {
            released();
        }
    });
}

std::unique_ptr<PacedDevice> PacedLine::MakeDevice() {
    // Its losses come here, and go on to the owner.
    DeviceListener& listener = *this;
    return std::make_unique<PacedDevice>(m_source, listener);
}

void PacedLine::OnDrained(const std::string& device) {
    if (!m_waiting || m_waiting->device != device) {
        return;
    }
    const WaitingOpen waiting = std::exchange(m_waiting, std::nullopt).value();
    if (!m_current) {
        m_current = MakeDevice();
    }
    try {
        m_current->Open(waiting.device, waiting.settings);
    } catch (const LinkError& error) {
        m_owner.OnDeviceLost(error);
        return;
    }
    // What the source got meanwhile never asked for its pump.
    m_current->Kick(false);
}

void PacedLine::Kick(bool atOnce) {
    if (m_current) {
        m_current->Kick(atOnce);
    }
}

void PacedLine::Pump() {
    if (m_current) {
        m_current->Pump();
    }
}

const std::optional<LinkError>& PacedLine::Fault() const {
    static const std::optional<LinkError> kNone;
    return m_current ? m_current->Fault() : kNone;
}

bool PacedLine::Probe() {
    return m_waiting || (m_current && m_current->Probe());
}

void PacedLine::OnDeviceLost(const LinkError& fault) {
    m_owner.OnDeviceLost(fault);
}

}  // namespace dimrix::serial
