#include "bridge/qt/ListenInterface.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace dimrix::bridge {

namespace {

bool Usable(const QNetworkInterface& interface) {
    const QNetworkInterface::InterfaceFlags flags = interface.flags();
    return flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning);
}

bool HoldsIpv4(const QNetworkInterface& interface) {
    const QList<QNetworkAddressEntry> entries = interface.addressEntries();
    return std::any_of(entries.begin(), entries.end(), [](const QNetworkAddressEntry& entry) {
        return entry.ip().protocol() == QAbstractSocket::IPv4Protocol;
    });
}

}  // namespace

ListenInterface::ListenInterface(std::optional<QHostAddress> bind) : m_bind(std::move(bind)) {
    if (!m_bind) {
        return;
    }
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (entry.ip().isEqual(*m_bind, QHostAddress::ConvertV4MappedToIPv4)) {
                m_interface = interface;
                return;
            }
        }
    }
    throw std::runtime_error("no interface has the address " + m_bind->toString().toStdString());
}

QList<QNetworkInterface> ListenInterface::MulticastInterfaces() const {
    QList<QNetworkInterface> joined;
    const QList<QNetworkInterface> candidates =
        m_bind ? QList<QNetworkInterface>{m_interface} : QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& interface : candidates) {
        if (Usable(interface) && interface.flags().testFlag(QNetworkInterface::CanMulticast) &&
            HoldsIpv4(interface)) {
            joined.push_back(interface);
        }
    }
    return joined;
}

bool ListenInterface::Accepts(const QHostAddress& destination) const {
    // Where the system does not say, the datagram reached the port, and that is all.
    if (!m_bind || destination.isNull() || destination.isMulticast() || destination.isBroadcast()) {
        return true;
    }
    if (destination.isEqual(*m_bind, QHostAddress::ConvertV4MappedToIPv4)) {
        return true;
    }
    // A directed broadcast of the bound interface's network.
    for (const QNetworkAddressEntry& entry : m_interface.addressEntries()) {
        if (entry.broadcast().isEqual(destination, QHostAddress::ConvertV4MappedToIPv4)) {
            return true;
        }
    }
    return false;
}

QHostAddress ListenInterface::AddressFacing(const QHostAddress& peer) const {
    if (m_bind) {
        return *m_bind;
    }
    if (peer.isLoopback()) {
        return QHostAddress(QHostAddress::LocalHost);
    }
    std::optional<QHostAddress> first;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        if (!Usable(interface)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() != QAbstractSocket::IPv4Protocol || ip.isLoopback()) {
                continue;
            }
            if (peer.isInSubnet(ip, entry.prefixLength())) {
                return ip;
            }
            if (!first) {
                first = ip;
            }
        }
    }
    return first.value_or(QHostAddress(QHostAddress::AnyIPv4));
}

QString ListenInterface::Describe() const {
    if (!m_bind) {
        return "every interface";
    }
    return m_bind->toString() + " (" + m_interface.humanReadableName() + ")";
}

}  // namespace dimrix::bridge
