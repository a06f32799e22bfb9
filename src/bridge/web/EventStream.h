#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> under C++20.
#include <utility>
//
#include <array>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <cstdint>
#include <memory>
#include <string>

#include "bridge/web/HttpService.h"

namespace dimrix::bridge::web {

// One live page: Server-Sent Events on a connection of its own. First `retry` and the
// whole state, then an update with the objects changed since the last one it was sent,
// whenever a snapshot is published and the page has taken what went before (so a slow
// page gets fewer, larger updates, never a backlog), and a heartbeat comment when quiet.
// A page that goes away, or takes longer than the write deadline to take an update, is
// dropped.
class EventStream : public std::enable_shared_from_this<EventStream> {
public:
    static constexpr unsigned kRetryMilliseconds = 1000;

    EventStream(boost::beast::tcp_stream stream, HttpService& service,
                HttpService::ConnectionSlot slot);
    ~EventStream();
    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    // Counts as live from now on; the service has room for it.
    void Start();
    // A new snapshot is out.
    void Wake();

private:
    void Flush();
    void Write(std::string text);
    void Watch();
    void Beat();
    void Close();

    boost::beast::tcp_stream m_stream;
    HttpService& m_service;
    HttpService::ConnectionSlot m_slot;
    boost::asio::steady_timer m_heartbeat;
    std::string m_out;
    // What a page might send; nothing is expected.
    std::array<char, 512> m_in{};
    std::uint64_t m_sent = 0;
    bool m_writing = false;
    bool m_beatDue = false;
    bool m_closed = false;
};

}  // namespace dimrix::bridge::web
