#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> under C++20.
#include <utility>
//
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "bridge/web/HttpService.h"

namespace dimrix::bridge::web {

// One connection: reads requests one after another, each head and body within the
// request deadline and the size limits, refuses what the console's rules refuse, and
// answers files, state and commands; a request for live updates hands the connection to
// an EventStream.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    static constexpr std::size_t kHeadLimit = 8 * 1024;
    static constexpr std::size_t kBodyLimit = 16 * 1024;

    HttpSession(boost::asio::ip::tcp::socket socket, HttpService& service,
                HttpService::ConnectionSlot slot);

    void Start() { Read(); }

private:
    using Request = boost::beast::http::request<boost::beast::http::string_body>;
    using Response = boost::beast::http::response<boost::beast::http::string_body>;

    void Read();
    void OnRead(boost::system::error_code error);
    void Handle(Request request);
    void HandleApi(Request& request, std::string_view name);
    void Stream();
    // Answers the request read last with a JSON object, or with `contentType` when given.
    void Answer(boost::beast::http::status status, std::string body,
                std::string_view contentType = {});
    // Answers and closes, the request not read to its end.
    void Refuse(boost::beast::http::status status, std::string body);

    boost::beast::tcp_stream m_stream;
    HttpService& m_service;
    HttpService::ConnectionSlot m_slot;
    boost::beast::flat_buffer m_buffer;
    std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> m_parser;
    // Of the request read last.
    unsigned m_version = 11;
    bool m_keepAlive = false;
    // What a 405 names as allowed.
    std::string_view m_allow;
};

}  // namespace dimrix::bridge::web
