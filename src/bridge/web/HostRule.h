#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace dimrix::bridge::web {

// Which Host a request may name, and which Origin may change something: a web page from
// elsewhere that gets a name of its own resolved to the bridge's address (DNS rebinding)
// still sends its own name as Host, and is refused.
//
// Admitted are the bridge's addresses (IPv4, and IPv6 in brackets), its host name, that
// name with ".local", and localhost, each with or without a port. The addresses change
// while the bridge runs (a cable plugged in, DHCP): SetAddresses replaces them, from any
// thread.
class HostRule {
public:
    explicit HostRule(std::string hostName);

    // The addresses as text, IPv4 or IPv6; what does not read as an address is left out.
    void SetAddresses(const std::vector<std::string>& addresses);
    // Whether a request with this Host header is for the bridge.
    [[nodiscard]] bool Admits(std::string_view host) const;
    // Whether an Origin header names the console itself, reached at `host`.
    [[nodiscard]] static bool SameOrigin(std::string_view origin, std::string_view host);

private:
    std::string m_hostName;
    mutable std::mutex m_mutex;
    // Each as the address reader writes it back, so that two spellings of one IPv6
    // address compare equal.
    std::vector<std::string> m_addresses;
};

}  // namespace dimrix::bridge::web
