#include "SacnSender.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace dimrix::bench {

SacnSender::SacnSender() : m_socket(::socket(AF_INET, SOCK_DGRAM, 0)) {
    if (m_socket < 0) {
        throw std::runtime_error("no UDP socket");
    }
    m_to.sin_family = AF_INET;
    m_to.sin_port = htons(kSacnPort);
    m_to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
}

SacnSender::~SacnSender() {
    ::close(m_socket);
}

void SacnSender::SendRaw(const bridge::samples::Bytes& datagram) const {
    (void)::sendto(m_socket, datagram.data(), datagram.size(), 0,
                   reinterpret_cast<const sockaddr*>(&m_to), sizeof m_to);
}

void SacnSender::Send(const bridge::samples::Bytes& slots, std::uint16_t universe) {
    bridge::samples::SacnFields fields;
    fields.universe = universe;
    fields.sequence = m_sequence[universe % m_sequence.size()]++;
    SendRaw(bridge::samples::Sacn(slots, fields));
}

}  // namespace dimrix::bench
