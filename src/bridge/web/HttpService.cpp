#include "bridge/web/HttpService.h"

#include <algorithm>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/post.hpp>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "bridge/web/EventStream.h"
#include "bridge/web/HttpSession.h"

namespace dimrix::bridge::web {

namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {

// The server's thread yields to the event loop that paces the lines wherever the two
// want the same core: a page may wait a millisecond, a line should not.
void YieldToTheLines() {
#ifdef _WIN32
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#else
    // Linux keeps a nice value per thread: this one's alone.
    constexpr int kNicer = 10;
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), kNicer);
#endif
}

}  // namespace

HttpService::HttpService(WebServerSettings settings, CommandSink& sink)
    : m_settings(std::move(settings)), m_sink(sink), m_hosts(m_settings.hostName) {}

HttpService::~HttpService() {
    Stop();
}

void HttpService::Start() {
    if (!m_settings.address.empty()) {
        boost::system::error_code error;
        const net::ip::address address = net::ip::make_address(m_settings.address, error);
        if (error) {
            throw std::runtime_error("the web console cannot listen on '" + m_settings.address +
                                     "': not an address");
        }
        Listen({address, m_settings.port});
    } else {
        try {
            // One socket for both: IPv4 peers arrive as IPv4-mapped IPv6 addresses.
            Listen({net::ip::address_v6::any(), m_settings.port});
        } catch (const std::runtime_error&) {
            // No IPv6 on this host.
            Listen({net::ip::address_v4::any(), m_settings.port});
        }
    }
    Accept();
    m_thread = std::thread([this] {
        YieldToTheLines();
        m_context.run();
    });
}

void HttpService::Stop() {
    m_context.stop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void HttpService::Listen(const tcp::endpoint& endpoint) {
    auto acceptor = std::make_unique<tcp::acceptor>(m_context);
    boost::system::error_code error;
    acceptor->open(endpoint.protocol(), error);
    if (!error && endpoint.address().is_v6()) {
        acceptor->set_option(net::ip::v6_only(false), error);
    }
    if (!error) {
        acceptor->set_option(net::socket_base::reuse_address(true), error);
    }
    if (!error) {
        acceptor->bind(endpoint, error);
    }
    if (!error) {
        acceptor->listen(net::socket_base::max_listen_connections, error);
    }
    if (error) {
        throw std::runtime_error("the web console cannot have port " +
                                 std::to_string(m_settings.port) + ": " + error.message());
    }
    m_port = acceptor->local_endpoint().port();
    m_acceptor = std::move(acceptor);
}

void HttpService::Accept() {
    m_acceptor->async_accept([this](boost::system::error_code error, tcp::socket socket) {
        if (error == net::error::operation_aborted) {
            return;
        }
        if (!error) {
            if (m_connections >= m_settings.maxConnections) {
                // A flood of idle connections costs a closed socket each, nothing more.
                socket.close(error);
            } else {
                std::make_shared<HttpSession>(std::move(socket), *this,
                                              ConnectionSlot(m_connections))
                    ->Start();
            }
        }
        Accept();
    });
}

void HttpService::Publish(std::shared_ptr<const WebSnapshot> snapshot) {
    {
        const std::scoped_lock lock(m_snapshotMutex);
        m_snapshot = std::move(snapshot);
    }
    // One wake-up however many publications it takes up.
    if (!m_wakePending.exchange(true)) {
        net::post(m_context, [this] { OnPublished(); });
    }
}

std::shared_ptr<const WebSnapshot> HttpService::Snapshot() const {
    const std::scoped_lock lock(m_snapshotMutex);
    return m_snapshot;
}

bool HttpService::AdmitStream(EventStream& stream) {
    if (m_streams.size() >= m_settings.maxStreams) {
        return false;
    }
    m_streams.push_back(&stream);
    m_liveStreams = m_streams.size();
    return true;
}

void HttpService::DropStream(EventStream& stream) {
    std::erase(m_streams, &stream);
    m_liveStreams = m_streams.size();
}

void HttpService::OnPublished() {
    m_wakePending = false;
    // A stream may close while woken, and leave the list.
    const std::vector<EventStream*> streams = m_streams;
    for (EventStream* stream : streams) {
        if (std::ranges::find(m_streams, stream) != m_streams.end()) {
            stream->Wake();
        }
    }
}

}  // namespace dimrix::bridge::web
