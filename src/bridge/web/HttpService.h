#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> under C++20.
#include <utility>
//
#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "bridge/web/CommandSink.h"
#include "bridge/web/HostRule.h"
#include "bridge/web/WebServer.h"
#include "bridge/web/WebSnapshot.h"

namespace dimrix::bridge::web {

class EventStream;

// What WebServer runs: the listening socket, the io_context and its thread, the count of
// connections and live pages, and the snapshot they are served from. Everything but
// Publish, SetAddresses and LiveStreams runs on the server's own thread.
class HttpService {
public:
    // Holds one of the connections the server allows while it lives.
    class ConnectionSlot {
    public:
        explicit ConnectionSlot(std::atomic<std::size_t>& count) : m_count(&count) { ++count; }
        ConnectionSlot(ConnectionSlot&& other) noexcept
            : m_count(std::exchange(other.m_count, nullptr)) {}
        ConnectionSlot& operator=(ConnectionSlot&&) = delete;
        ConnectionSlot(const ConnectionSlot&) = delete;
        ConnectionSlot& operator=(const ConnectionSlot&) = delete;
        ~ConnectionSlot() {
            if (m_count != nullptr) {
                --*m_count;
            }
        }

    private:
        std::atomic<std::size_t>* m_count;
    };

    HttpService(WebServerSettings settings, CommandSink& sink);
    ~HttpService();
    HttpService(const HttpService&) = delete;
    HttpService& operator=(const HttpService&) = delete;

    void Start();
    // Ends the server's thread; what is still pending is dropped with the service.
    void Stop();
    [[nodiscard]] std::uint16_t Port() const { return m_port; }
    void Publish(std::shared_ptr<const WebSnapshot> snapshot);
    void SetAddresses(const std::vector<std::string>& addresses) {
        m_hosts.SetAddresses(addresses);
    }
    [[nodiscard]] std::size_t LiveStreams() const { return m_liveStreams; }

    [[nodiscard]] const WebServerSettings& Settings() const { return m_settings; }
    [[nodiscard]] const HostRule& Hosts() const { return m_hosts; }
    [[nodiscard]] CommandSink& Sink() const { return m_sink; }
    [[nodiscard]] boost::asio::io_context& Context() { return m_context; }
    [[nodiscard]] std::shared_ptr<const WebSnapshot> Snapshot() const;
    // A live page more, unless there are as many as allowed.
    [[nodiscard]] bool AdmitStream(EventStream& stream);
    void DropStream(EventStream& stream);

private:
    void Listen(const boost::asio::ip::tcp::endpoint& endpoint);
    void Accept();
    void OnPublished();

    WebServerSettings m_settings;
    CommandSink& m_sink;
    HostRule m_hosts;
    mutable std::mutex m_snapshotMutex;
    std::shared_ptr<const WebSnapshot> m_snapshot = std::make_shared<WebSnapshot>();
    std::atomic<bool> m_wakePending = false;
    std::atomic<std::size_t> m_connections = 0;
    std::atomic<std::size_t> m_liveStreams = 0;
    // Before the io_context: the connections it still holds leave these as they go.
    std::vector<EventStream*> m_streams;
    boost::asio::io_context m_context{1};
    std::unique_ptr<boost::asio::ip::tcp::acceptor> m_acceptor;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

}  // namespace dimrix::bridge::web
