#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bridge/web/CommandSink.h"
#include "bridge/web/HttpPassword.h"
#include "bridge/web/WebSnapshot.h"

namespace dimrix::bridge::web {

class HttpService;

// How the console is served.
struct WebServerSettings {
    static constexpr std::uint16_t kDefaultPort = 9230;

    // The address to listen on; every interface (IPv6 and IPv4) when empty.
    std::string address;
    // 0 lets the system choose (the tests do); Port() says which.
    std::uint16_t port = kDefaultPort;
    // For the whole of one request, head and body: a client that sends a byte every second
    // or two is dropped.
    std::chrono::milliseconds requestDeadline{10'000};
    // Live pages (event streams); one more is answered 503.
    std::size_t maxStreams = 16;
    // Connections of any kind, the live pages included; more are closed at once.
    std::size_t maxConnections = 64;
    std::chrono::milliseconds heartbeat{15'000};
    // A write to a live page that takes longer drops the page.
    std::chrono::milliseconds writeDeadline{10'000};
    // This host's name, which a request's Host may name as well as its addresses.
    std::string hostName;
    std::optional<HttpPassword> password;
};

// The bridge's web console: HTTP, with Boost.Beast, on an io_context and thread of its
// own, never on the event loop that paces the lines. It knows the bridge only through the
// snapshots published to it and the commands it hands to its CommandSink.
class WebServer {
public:
    // `sink` must outlive the server.
    WebServer(WebServerSettings settings, CommandSink& sink);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Listens and starts the server's thread. Throws std::runtime_error, naming the port,
    // when it cannot be had.
    void Start();
    // Ends the server's thread: nothing is served and no reply is sent any more. Commands
    // handed to the sink but not yet answered may then be dropped on any thread.
    void Stop();
    // The port listened on, once started.
    [[nodiscard]] std::uint16_t Port() const;

    // From any thread: the state shown from now on; live pages get what changed.
    void Publish(std::shared_ptr<const WebSnapshot> snapshot);
    // From any thread: the addresses a request's Host may name.
    void SetAddresses(const std::vector<std::string>& addresses);
    // Live pages now (from any thread).
    [[nodiscard]] std::size_t LiveStreams() const;

private:
    std::unique_ptr<HttpService> m_service;
};

}  // namespace dimrix::bridge::web
