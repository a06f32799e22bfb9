#include "bridge/web/HttpSession.h"

#include <boost/asio/post.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <cctype>

#include "bridge/ConsoleCommand.h"
#include "bridge/web/EventStream.h"
#include "bridge/web/PageFiles.h"

namespace dimrix::bridge::web {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using status = http::status;

namespace {

constexpr std::string_view kApi = "/api/";
constexpr std::string_view kState = "state";
constexpr std::string_view kEvents = "events";
constexpr std::string_view kJson = "application/json";
constexpr std::string_view kPolicy =
    "default-src 'self'; connect-src 'self'; frame-ancestors 'none'";

std::string_view View(beast::string_view text) {
    return {text.data(), text.size()};
}

beast::string_view Field(std::string_view text) {
    return {text.data(), text.size()};
}

bool IsJson(std::string_view contentType) {
    const std::string_view type = contentType.substr(0, contentType.find(';'));
    return type.size() >= kJson.size() &&
           std::equal(
               kJson.begin(), kJson.end(), type.begin(),
               [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }) &&
           type.substr(kJson.size()).find_first_not_of(' ') == std::string_view::npos;
}

std::string Error(std::string_view text) {
    // Only the server's own texts, which hold nothing to escape.
    return "{\"error\":\"" + std::string(text) + "\"}";
}

}  // namespace

HttpSession::HttpSession(net::ip::tcp::socket socket, HttpService& service,
                         HttpService::ConnectionSlot slot)
    : m_stream(std::move(socket)), m_service(service), m_slot(std::move(slot)) {}

void HttpSession::Read() {
    m_parser.emplace();
    m_parser->header_limit(kHeadLimit);
    m_parser->body_limit(kBodyLimit);
    // One deadline for the whole request, not for each read: a client that trickles a
    // byte at a time never gets more.
    m_stream.expires_after(m_service.Settings().requestDeadline);
    http::async_read(
        m_stream, m_buffer, *m_parser,
        [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnRead(error); });
}

void HttpSession::OnRead(beast::error_code error) {
    if (error == http::error::header_limit) {
        Refuse(status::request_header_fields_too_large, Error("the request's head is over 8 KB"));
        return;
    }
    if (error == http::error::body_limit) {
        Refuse(status::payload_too_large, Error("the request's body is over 16 KB"));
        return;
    }
    if (error == http::error::end_of_stream || error == beast::error::timeout ||
        error == net::error::operation_aborted) {
        m_stream.close();
        return;
    }
    if (error) {
        // Malformed, or cut off: nothing more is read from a client that sends such.
        Refuse(status::bad_request, Error("malformed request"));
        return;
    }
    m_stream.expires_never();
    Handle(m_parser->release());
}

void HttpSession::Handle(Request request) {
    m_version = request.version();
    m_keepAlive = request.keep_alive();
    const std::string_view host = View(request[http::field::host]);
    if (!m_service.Hosts().Admits(host)) {
        Answer(status::forbidden,
               Error("this console answers only to the bridge's own addresses and names"));
        return;
    }
    if (const std::optional<HttpPassword>& password = m_service.Settings().password;
        password && !password->Admits(View(request[http::field::authorization]))) {
        Answer(status::unauthorized, Error("the console needs its password"));
        return;
    }
    std::string_view target = View(request.target());
    target = target.substr(0, target.find('?'));
    if (target.starts_with(kApi)) {
        HandleApi(request, target.substr(kApi.size()));
        return;
    }
    if (request.method() != http::verb::get) {
        m_allow = "GET";
        Answer(status::method_not_allowed, Error("only GET is answered here"));
        return;
    }
    const PageFile* file = target.starts_with('/') ? PageFiles::Find(target.substr(1)) : nullptr;
    if (file == nullptr) {
        Answer(status::not_found, Error("no such file"));
        return;
    }
    Answer(status::ok, std::string(file->bytes), file->contentType);
}

void HttpSession::HandleApi(Request& request, std::string_view name) {
    const bool get = request.method() == http::verb::get;
    if (name == kState || name == kEvents) {
        if (!get) {
            m_allow = "GET";
            Answer(status::method_not_allowed, Error("only GET is answered here"));
        } else if (name == kState) {
            Answer(status::ok, m_service.Snapshot()->State());
        } else {
            Stream();
        }
        return;
    }
    if (!ConsoleCommand::Known(name)) {
        Answer(status::not_found, Error("no such command"));
        return;
    }
    if (request.method() != http::verb::post) {
        m_allow = "POST";
        Answer(status::method_not_allowed, Error("a command is a POST"));
        return;
    }
    // A page elsewhere may make a browser send here: it says where it is from, or it
    // cannot send JSON without asking first, which nothing here answers.
    const std::string_view origin = View(request[http::field::origin]);
    if (!origin.empty() && !HostRule::SameOrigin(origin, View(request[http::field::host]))) {
        Answer(status::forbidden, Error("a command from another page is refused"));
        return;
    }
    if (!IsJson(View(request[http::field::content_type]))) {
        Answer(status::forbidden, Error("a command is sent as Content-Type: application/json"));
        return;
    }
    net::io_context& context = m_service.Context();
    m_service.Sink().Submit(std::string(name), std::move(request.body()),
                            [self = shared_from_this(), &context](CommandSink::Answer answer) {
                                net::post(context, [self, answer = std::move(answer)]() mutable {
                                    self->Answer(static_cast<status>(answer.status),
                                                 std::move(answer.json));
                                });
                            });
}

void HttpSession::Stream() {
    if (m_service.LiveStreams() >= m_service.Settings().maxStreams) {
        m_keepAlive = false;
        Answer(status::service_unavailable,
               Error("as many pages are live as the console serves; try again shortly"));
        return;
    }
    std::make_shared<EventStream>(std::move(m_stream), m_service, std::move(m_slot))->Start();
}

void HttpSession::Answer(status code, std::string body, std::string_view contentType) {
    auto response = std::make_shared<Response>(code, m_version);
    response->set(http::field::server, "dimrix-bridge");
    response->set(http::field::content_type, Field(contentType.empty() ? kJson : contentType));
    response->set(http::field::cache_control, "no-cache");
    response->set("Content-Security-Policy", Field(kPolicy));
    response->set("X-Content-Type-Options", "nosniff");
    response->set("Referrer-Policy", "no-referrer");
    if (code == status::unauthorized) {
        response->set(http::field::www_authenticate, Field(HttpPassword::kChallenge));
    }
    if (code == status::method_not_allowed) {
        response->set(http::field::allow, Field(m_allow));
    }
    response->keep_alive(m_keepAlive);
    response->body() = std::move(body);
    response->prepare_payload();
    m_stream.expires_after(m_service.Settings().requestDeadline);
    http::async_write(m_stream, *response,
                      [self = shared_from_this(), response](beast::error_code error, std::size_t) {
                          if (error || !response->keep_alive()) {
                              beast::error_code ignored;
                              self->m_stream.socket().shutdown(net::ip::tcp::socket::shutdown_both,
                                                               ignored);
                              self->m_stream.close();
                              return;
                          }
                          self->Read();
                      });
}

void HttpSession::Refuse(status code, std::string body) {
    m_keepAlive = false;
    Answer(code, std::move(body));
}

}  // namespace dimrix::bridge::web
