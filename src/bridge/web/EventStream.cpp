#include "bridge/web/EventStream.h"

#include <boost/asio/write.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/write.hpp>
#include <sstream>

namespace dimrix::bridge::web {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

EventStream::EventStream(beast::tcp_stream stream, HttpService& service,
                         HttpService::ConnectionSlot slot)
    : m_stream(std::move(stream)),
      m_service(service),
      m_slot(std::move(slot)),
      m_heartbeat(service.Context()) {}

EventStream::~EventStream() {
    m_service.DropStream(*this);
}

void EventStream::Start() {
    if (!m_service.AdmitStream(*this)) {
        Close();
        return;
    }
    // The body runs until either side closes: no length, no chunks.
    http::response<http::empty_body> head(http::status::ok, 11);
    head.set(http::field::server, "dimrix-bridge");
    head.set(http::field::content_type, "text/event-stream");
    head.set(http::field::cache_control, "no-cache");
    head.set("X-Content-Type-Options", "nosniff");
    head.keep_alive(false);
    std::ostringstream text;
    text << head.base();
    const std::shared_ptr<const WebSnapshot> snapshot = m_service.Snapshot();
    m_sent = snapshot->revision;
    text << "retry: " << kRetryMilliseconds << "\n\nevent: state\ndata: " << snapshot->State()
         << "\n\n";
    m_stream.expires_never();
    Watch();
    Write(text.str());
    Beat();
}

void EventStream::Wake() {
    if (!m_writing && !m_closed) {
        Flush();
    }
}

void EventStream::Flush() {
    const std::shared_ptr<const WebSnapshot> snapshot = m_service.Snapshot();
    if (snapshot->revision > m_sent) {
        std::string text = "event: update\ndata: " + snapshot->Update(m_sent) + "\n\n";
        m_sent = snapshot->revision;
        m_beatDue = false;
        Write(std::move(text));
    } else if (m_beatDue) {
        m_beatDue = false;
        Write(": heartbeat\n\n");
    }
}

void EventStream::Write(std::string text) {
    m_writing = true;
    m_out = std::move(text);
    // The pending read keeps no deadline; only the write gets one.
    m_stream.expires_after(m_service.Settings().writeDeadline);
    net::async_write(m_stream, net::buffer(m_out),
                     [self = shared_from_this()](beast::error_code error, std::size_t) {
                         self->m_writing = false;
                         if (error) {
                             self->Close();
                             return;
                         }
                         self->m_stream.expires_never();
                         if (!self->m_closed) {
                             self->Flush();
                         }
                     });
}

void EventStream::Watch() {
    m_stream.async_read_some(net::buffer(m_in),
                             [self = shared_from_this()](beast::error_code error, std::size_t) {
                                 if (error) {
                                     self->Close();
                                     return;
                                 }
                                 self->Watch();
                             });
}

void EventStream::Beat() {
    m_heartbeat.expires_after(m_service.Settings().heartbeat);
    m_heartbeat.async_wait([self = shared_from_this()](beast::error_code error) {
        if (error || self->m_closed) {
            return;
        }
        self->m_beatDue = true;
        self->Wake();
        self->Beat();
    });
}

void EventStream::Close() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    // Its place is free at once, for the page that reconnects.
    m_service.DropStream(*this);
    m_heartbeat.cancel();
    beast::error_code ignored;
    m_stream.socket().shutdown(net::ip::tcp::socket::shutdown_both, ignored);
    m_stream.close();
}

}  // namespace dimrix::bridge::web
