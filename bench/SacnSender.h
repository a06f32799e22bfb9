#pragma once

#include <netinet/in.h>

#include <array>
#include <cstdint>

#include "bridge/SamplePackets.h"

namespace dimrix::bench {

/// sACN to the bridge, from this process, to 127.0.0.1 only.
class SacnSender {
public:
    static constexpr std::uint16_t kSacnPort = 5568;

    SacnSender();
    ~SacnSender();
    SacnSender(const SacnSender&) = delete;
    SacnSender& operator=(const SacnSender&) = delete;

    /// One datagram as it is; a full socket buffer under a flood is the flood's own loss.
    void SendRaw(const bridge::samples::Bytes& datagram) const;
    /// One universe's slots, numbered as a console numbers its packets.
    void Send(const bridge::samples::Bytes& slots, std::uint16_t universe = 1);

private:
    int m_socket = -1;
    sockaddr_in m_to{};
    std::array<std::uint8_t, 8> m_sequence{};
};

}  // namespace dimrix::bench
