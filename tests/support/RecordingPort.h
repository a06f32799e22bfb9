#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/Protocol.h"
#include "serial/ErrorNumber.h"
#include "serial/PortService.h"

namespace dimrix::testing {

// What a RecordingPort saw, and how it should fail. Owned by the test, so it stays
// readable after the panel (which owns the port) is gone.
struct PortLog {
    // Every call but Write, in order: "SetPortNumber 2", "SetSettings 19200,N,8,1",
    // "Open", "SetReceiveThreshold 1", "Close".
    std::vector<std::string> calls;
    // Every byte accepted by Write, in order.
    std::vector<protocol::Byte> bytes;
    bool open = false;
    // Open() throws with this number (and leaves the port closed).
    std::optional<serial::ErrorNumber> failOpenWith;
    // Write() throws with failWriteWith once this many bytes have been accepted.
    std::optional<std::size_t> failWriteAfter;
    serial::ErrorNumber failWriteWith = 0;
    // Positions in bytes where a Write failed, cutting whatever frame was under way.
    std::vector<std::size_t> cuts;
};

// A port double that records instead of transmitting.
class RecordingPort : public serial::PortService {
public:
    explicit RecordingPort(PortLog& log) : m_log(log) {}

    void SetPortNumber(std::int16_t portNumber) override;
    void SetSettings(const serial::LineSettings& settings) override;
    void Open() override;
    void Close() override;
    [[nodiscard]] bool IsOpen() const override { return m_log.open; }
    void SetReceiveThreshold(std::int16_t threshold) override;
    void Write(protocol::Byte value) override;
    [[nodiscard]] std::string PortDescription(std::int16_t portNumber) const override;
    [[nodiscard]] std::string PortDevice(std::int16_t portNumber) const override;

private:
    PortLog& m_log;
};

}  // namespace dimrix::testing
