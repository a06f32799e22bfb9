#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/PortService.h"

namespace dimrix::bench {

/// What a TimedPort saw: every byte the panel handed to the port, with the moment it
/// did, and how many bytes the port's own queue held just after it, where the bench can
/// ask. Owned by the bench; the panel owns the port.
struct WriteLog {
    std::vector<std::uint8_t> bytes;
    std::vector<std::chrono::steady_clock::time_point> times;
    std::vector<std::size_t> queued;
};

/// Passes everything through to the real port and notes the time of each write, so the
/// bench can tell how long each byte waited before the line took it.
class TimedPort : public serial::PortService {
public:
    /// How many bytes the port holds back from the driver.
    using QueueProbe = std::function<std::size_t()>;

    /// @param capacity writes to reserve room for, so that logging does not allocate
    ///                 while the panel is being timed
    /// @param queue    asked after each write when given; the queue only grows by a write,
    ///                 so these samples catch its largest size
    TimedPort(std::unique_ptr<serial::PortService> port, WriteLog& log, std::size_t capacity,
              QueueProbe queue = {});

    void SetPortNumber(std::int16_t portNumber) override { m_port->SetPortNumber(portNumber); }
    void SetSettings(const serial::LineSettings& settings) override {
        m_port->SetSettings(settings);
    }
    void Open() override { m_port->Open(); }
    void Close() override { m_port->Close(); }
    [[nodiscard]] bool IsOpen() const override { return m_port->IsOpen(); }
    void SetReceiveThreshold(std::int16_t threshold) override {
        m_port->SetReceiveThreshold(threshold);
    }
    void Write(protocol::Byte value) override;
    [[nodiscard]] std::string PortDescription(std::int16_t portNumber) const override {
        return m_port->PortDescription(portNumber);
    }
    [[nodiscard]] std::string PortDevice(std::int16_t portNumber) const override {
        return m_port->PortDevice(portNumber);
    }

private:
    std::unique_ptr<serial::PortService> m_port;
    WriteLog& m_log;
    QueueProbe m_queue;
};

}  // namespace dimrix::bench
