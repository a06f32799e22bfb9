#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dimrix::testing {

// A plain TCP client of an HTTP server on 127.0.0.1, as a browser or a script would be,
// or a misbehaving one: it sends exactly the bytes it is given. Every wait is bounded.
class HttpClient {
public:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    // Connects; throws std::runtime_error when it cannot.
    explicit HttpClient(std::uint16_t port);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // A request with Host: 127.0.0.1 unless `headers` name one, and Content-Length for
    // a body.
    [[nodiscard]] static std::string Request(std::string_view method, std::string_view path,
                                             const Headers& headers = {},
                                             std::string_view body = {});
    // One request on a connection of its own, and the whole response (the server closes
    // after it: Connection: close is sent).
    [[nodiscard]] static std::string Exchange(std::uint16_t port, const std::string& request);
    // The status code of a response, 0 when there is none.
    [[nodiscard]] static int Status(std::string_view response);
    [[nodiscard]] static std::string Body(std::string_view response);

    // False when the server has closed the connection.
    bool Send(std::string_view bytes);
    // Reads until `done` holds of all that arrived, the server closes, or `within`
    // passes; returns whether `done` held.
    bool ReadUntil(const std::function<bool(const std::string&)>& done,
                   std::chrono::milliseconds within);
    // Reads until the server closes, at most `within`; returns whether it did.
    bool ReadToClose(std::chrono::milliseconds within);
    // Reads and forgets whatever has arrived, without waiting; returns how many bytes.
    std::size_t Drain();
    [[nodiscard]] bool Closed() const { return m_closed; }
    [[nodiscard]] const std::string& Received() const { return m_received; }

private:
    int m_socket = -1;
    bool m_closed = false;
    std::string m_received;
};

}  // namespace dimrix::testing
