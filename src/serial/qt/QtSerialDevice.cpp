#include "serial/qt/QtSerialDevice.h"

#include <stdexcept>

#include "serial/LinkError.h"
#include "serial/qt/PortOpening.h"

namespace dimrix::serial {

QtSerialDevice::QtSerialDevice(DeviceListener* owner) : m_owner(owner) {}

void QtSerialDevice::CheckSettings(const LineSettings& settings) {
    CheckLineSettings(settings);
}

void QtSerialDevice::Open(const std::string& device, const LineSettings& settings) {
    if (m_state != State::Closed) {
        throw std::logic_error("the port is already open");
    }
    // Each opening starts with a queue of its own, sized to its line; what the last one
    // still held was taken at its close.
    m_queue = TransmitQueue(settings);
    m_line.Open(device, settings);
    m_device = device;
    m_fault = 0;
    m_state = State::Open;
}

void QtSerialDevice::Close() {
    if (m_state == State::Closed) {
        return;
    }
    m_state = State::Closed;
    m_line.Close();
}

void QtSerialDevice::Write(protocol::Byte value) {
    if (m_state == State::Closed) {
        throw LinkError(errors::kPortNotOpen, "the port is not open");
    }
    // The error signal of a lost device arrives only on a later event-loop pass; asking
    // the descriptor makes the first send after an unplug fail, not the one after it.
    if (m_state == State::Open && !m_line.Probe()) {
        MarkFailed(m_line.Fault() ? m_line.Fault()->Number() : errors::kDeviceLost);
    }
    if (m_state == State::Broken) {
        throw LinkError(m_fault, m_device + ": the device failed; connect again");
    }
    const TransmitQueue::TimePoint now = TransmitQueue::Clock::now();
    m_queue.Push(value, now);
    try {
        m_line.Kick(m_queue.GoesAtOnce(now));
    } catch (const LinkError& error) {
        MarkFailed(error.Number());
        throw;
    }
}

void QtSerialDevice::OnDeviceLost(const LinkError& fault) {
    if (m_state == State::Open) {
        MarkFailed(fault.Number());
    }
    if (m_owner != nullptr) {
        m_owner->OnDeviceLost(fault);
    }
}

void QtSerialDevice::MarkFailed(ErrorNumber number) {
    m_queue.Clear();
    m_state = State::Broken;
    m_fault = number;
}

}  // namespace dimrix::serial
