#pragma once

#include <span>

#include "protocol/Protocol.h"
#include "serial/LinkError.h"

namespace dimrix::serial {

// What a serial device tells its owner, from the event loop.
class DeviceListener {
public:
    virtual ~DeviceListener() = default;
    // Bytes read, in line order; only a device opened to receive reads any.
    virtual void OnBytesRead(std::span<const protocol::Byte> /*bytes*/) {}
    // The device failed while open, idle or not: its number and the system's reason. The
    // device is released by the time this is called; opening it again is up to the owner.
    virtual void OnDeviceLost(const LinkError& fault) = 0;

protected:
    DeviceListener() = default;
    DeviceListener(const DeviceListener&) = default;
    DeviceListener& operator=(const DeviceListener&) = default;
};

}  // namespace dimrix::serial
