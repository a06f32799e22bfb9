#include "bridge/web/HostRule.h"

// Boost 1.74's Asio uses std::exchange without including <utility> under C++20.
#include <utility>
//
#include <algorithm>
#include <boost/asio/ip/address.hpp>
#include <cctype>
#include <optional>

namespace dimrix::bridge::web {

namespace {

constexpr std::string_view kLocalhost = "localhost";
constexpr std::string_view kLocalDomain = ".local";
constexpr std::string_view kScheme = "http://";

bool SameText(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::optional<std::string> Canonical(std::string_view text) {
    boost::system::error_code error;
    const boost::asio::ip::address address = boost::asio::ip::make_address(text, error);
    if (error) {
        return std::nullopt;
    }
    return address.to_string();
}

// The name or address of a Host header without its port: "[::1]:9230" is "::1". Nothing
// for what is no host at all.
std::optional<std::string_view> WithoutPort(std::string_view host) {
    std::string_view port;
    std::string_view name;
    if (host.starts_with('[')) {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        name = host.substr(1, close - 1);
        const std::string_view rest = host.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) {
            return std::nullopt;
        }
        port = rest.empty() ? rest : rest.substr(1);
    } else {
        const std::size_t colon = host.find(':');
        name = host.substr(0, colon);
        if (colon != std::string_view::npos) {
            port = host.substr(colon + 1);
        }
    }
    if (name.empty() || !std::ranges::all_of(port, [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return name;
}

}  // namespace

HostRule::HostRule(std::string hostName) : m_hostName(std::move(hostName)) {}

void HostRule::SetAddresses(const std::vector<std::string>& addresses) {
    std::vector<std::string> canonical;
    for (const std::string& address : addresses) {
        if (std::optional<std::string> text = Canonical(address)) {
            canonical.push_back(std::move(*text));
        }
    }
    const std::scoped_lock lock(m_mutex);
    m_addresses = std::move(canonical);
}

bool HostRule::Admits(std::string_view host) const {
    const std::optional<std::string_view> name = WithoutPort(host);
    if (!name) {
        return false;
    }
    if (SameText(*name, kLocalhost)) {
        return true;
    }
    if (!m_hostName.empty() &&
        (SameText(*name, m_hostName) || SameText(*name, m_hostName + std::string(kLocalDomain)))) {
        return true;
    }
    // A bracketed name must be an IPv6 address, and an IPv6 address must be bracketed.
    const bool bracketed = host.starts_with('[');
    const std::optional<std::string> address = Canonical(*name);
    if (!address || bracketed != (address->find(':') != std::string::npos)) {
        return false;
    }
    const std::scoped_lock lock(m_mutex);
    return std::ranges::find(m_addresses, *address) != m_addresses.end();
}

bool HostRule::SameOrigin(std::string_view origin, std::string_view host) {
    return origin.size() == kScheme.size() + host.size() &&
           SameText(origin.substr(0, kScheme.size()), kScheme) &&
           SameText(origin.substr(kScheme.size()), host);
}

}  // namespace dimrix::bridge::web
