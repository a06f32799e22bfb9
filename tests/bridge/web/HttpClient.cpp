#include "HttpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

namespace dimrix::testing {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kExchangeBound{10};

}  // namespace

HttpClient::HttpClient(std::uint16_t port) : m_socket(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_socket < 0 ||
        ::connect(m_socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        if (m_socket >= 0) {
            ::close(m_socket);
        }
        throw std::runtime_error("cannot connect to 127.0.0.1:" + std::to_string(port));
    }
}

HttpClient::~HttpClient() {
    ::close(m_socket);
}

std::string HttpClient::Request(std::string_view method, std::string_view path,
                                const Headers& headers, std::string_view body) {
    std::string text = std::string(method) + ' ' + std::string(path) + " HTTP/1.1\r\n";
    bool host = false;
    for (const auto& [name, value] : headers) {
        host = host || name == "Host";
        text += name + ": " + value + "\r\n";
    }
    if (!host) {
        text += "Host: 127.0.0.1\r\n";
    }
    if (!body.empty() || method == "POST") {
        text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    return text + "Connection: close\r\n\r\n" + std::string(body);
}

std::string HttpClient::Exchange(std::uint16_t port, const std::string& request) {
    HttpClient client(port);
    client.Send(request);
    client.ReadToClose(kExchangeBound);
    return client.Received();
}

int HttpClient::Status(std::string_view response) {
    constexpr std::string_view kVersion = "HTTP/1.1 ";
    constexpr std::size_t kCodeLength = 3;
    if (!response.starts_with(kVersion) || response.size() < kVersion.size() + kCodeLength) {
        return 0;
    }
    return std::stoi(std::string(response.substr(kVersion.size(), kCodeLength)));
}

std::string HttpClient::Body(std::string_view response) {
    const std::size_t end = response.find("\r\n\r\n");
    return end == std::string_view::npos ? std::string() : std::string(response.substr(end + 4));
}

bool HttpClient::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            m_closed = true;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool HttpClient::ReadUntil(const std::function<bool(const std::string&)>& done,
                           std::chrono::milliseconds within) {
    const Clock::time_point deadline = Clock::now() + within;
    while (!done(m_received)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (m_closed || left.count() <= 0) {
            return false;
        }
        pollfd watched{m_socket, POLLIN, 0};
        if (::poll(&watched, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        std::array<char, 4096> chunk{};
        const ssize_t got = ::recv(m_socket, chunk.data(), chunk.size(), 0);
        if (got <= 0) {
            m_closed = true;
        } else {
            m_received.append(chunk.data(), static_cast<std::size_t>(got));
        }
    }
    return true;
}

std::size_t HttpClient::Drain() {
    std::size_t drained = 0;
    std::array<char, 4096> chunk{};
    for (;;) {
        const ssize_t got = ::recv(m_socket, chunk.data(), chunk.size(), MSG_DONTWAIT);
        if (got == 0) {
            m_closed = true;
        }
        if (got <= 0) {
            break;
        }
        drained += static_cast<std::size_t>(got);
    }
    m_received.clear();
    return drained;
}

bool HttpClient::ReadToClose(std::chrono::milliseconds within) {
    ReadUntil([this](const std::string&) { return m_closed; }, within);
    return m_closed;
}

}  // namespace dimrix::testing
