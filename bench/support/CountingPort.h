#pragma once

#include <cstdint>
#include <string>

#include "protocol/Protocol.h"
#include "serial/PortService.h"

namespace dimrix::bench {

/// What a CountingPort has seen. Owned by the bench, so it stays readable while the
/// panel owns the port.
struct PortTally {
    bool open = false;
    /// Bytes accepted by Write.
    std::uint64_t bytes = 0;
    /// Running sum of the bytes, so the writes cannot be optimised away as dead.
    std::uint64_t sum = 0;
};

/// A port that only counts: the cheapest device the panel can drive, so handler timings
/// show the panel's own cost and nothing of a real port's.
class CountingPort : public serial::PortService {
public:
    explicit CountingPort(PortTally& tally) : m_tally(tally) {}

    void SetPortNumber(std::int16_t /*portNumber*/) override {}
    void SetSettings(const serial::LineSettings& /*settings*/) override {}
    void Open() override { m_tally.open = true; }
    void Close() override { m_tally.open = false; }
    [[nodiscard]] bool IsOpen() const override { return m_tally.open; }
    void SetReceiveThreshold(std::int16_t /*threshold*/) override {}
    void Write(protocol::Byte value) override;
    [[nodiscard]] std::string PortDescription(std::int16_t portNumber) const override;
    [[nodiscard]] std::string PortDevice(std::int16_t portNumber) const override;

private:
    PortTally& m_tally;
};

}  // namespace dimrix::bench
