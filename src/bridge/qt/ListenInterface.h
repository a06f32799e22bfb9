#pragma once

#include <QHostAddress>
#include <QList>
#include <QNetworkInterface>
#include <QString>
#include <optional>

namespace dimrix::bridge {

// Where the bridge listens: every interface, or the one that holds the address given.
//
// The sockets are bound to every address even then, since multicast and broadcast
// datagrams carry their group's or the network's address, never the interface's; what
// arrives for another interface's own address is dropped by Accepts instead.
class ListenInterface {
public:
    // Throws std::runtime_error when no interface holds `bind`.
    explicit ListenInterface(std::optional<QHostAddress> bind);

    // The interfaces that join the universes' multicast groups: up, running, able to
    // multicast and holding an IPv4 address (the one bound to, if any).
    [[nodiscard]] QList<QNetworkInterface> MulticastInterfaces() const;
    // Whether a datagram sent to `destination` is meant for the bridge.
    [[nodiscard]] bool Accepts(const QHostAddress& destination) const;
    // The bridge's own address as a peer at `peer` reaches it, for the replies that name
    // it.
    [[nodiscard]] QHostAddress AddressFacing(const QHostAddress& peer) const;
    // "every interface", or the address and its interface's name.
    [[nodiscard]] QString Describe() const;

private:
    std::optional<QHostAddress> m_bind;
    // Set with m_bind: the interface that holds it.
    QNetworkInterface m_interface;
};

}  // namespace dimrix::bridge
