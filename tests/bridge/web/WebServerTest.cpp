// The web server alone, on 127.0.0.1, with plain clients: the Host and Origin rules, the
// limits, the password, and what a live page is sent.

#include "bridge/web/WebServer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "HttpClient.h"

namespace dimrix::bridge::web {
namespace {

using testing::HttpClient;
using namespace std::chrono_literals;

constexpr auto kBound = 5s;

class RecordingSink : public CommandSink {
public:
    void Submit(std::string name, std::string body, Reply reply) override {
        {
            const std::scoped_lock lock(m_mutex);
            m_commands.push_back(name + ' ' + body);
        }
        reply({200, R"({"ok":true})"});
    }
    std::size_t Count() {
        const std::scoped_lock lock(m_mutex);
        return m_commands.size();
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_commands;
};

std::shared_ptr<WebSnapshot> Snapshot(std::uint64_t revision, const std::string& line0,
                                      const std::string& line1) {
    auto snapshot = std::make_shared<WebSnapshot>();
    snapshot->revision = revision;
    snapshot->head = R"("version":"9","open":true)";
    snapshot->lines = {{1, line0}, {revision, line1}};
    snapshot->universes = {{1, R"({"universe":1})"}};
    return snapshot;
}

class WebServerTest : public ::testing::Test {
protected:
    void Serve(WebServerSettings settings = {}) {
        settings.address = "127.0.0.1";
        settings.port = 0;
        settings.hostName = "stagebox";
        m_server = std::make_unique<WebServer>(std::move(settings), m_sink);
        m_server->SetAddresses({"127.0.0.1", "192.0.2.7", "2001:db8::7", "fe80::1%lo"});
        m_server->Publish(Snapshot(1, R"({"index":0})", R"({"index":1})"));
        m_server->Start();
    }
    std::string Exchange(const std::string& request) {
        return HttpClient::Exchange(m_server->Port(), request);
    }
    // The status alone, once the head is in: a live page's answer never ends.
    int StatusOf(const std::string& request) {
        HttpClient client(m_server->Port());
        client.Send(request);
        client.ReadUntil(
            [](const std::string& text) { return text.find("\r\n\r\n") != std::string::npos; },
            kBound);
        return HttpClient::Status(client.Received());
    }
    // A live page, once it has the state.
    std::unique_ptr<HttpClient> Watch() {
        auto client = std::make_unique<HttpClient>(m_server->Port());
        client->Send(HttpClient::Request("GET", "/api/events"));
        client->ReadUntil(
            [](const std::string& text) {
                return text.find("\n\n", text.find("event: state")) != std::string::npos;
            },
            kBound);
        return client;
    }

    RecordingSink m_sink;
    std::unique_ptr<WebServer> m_server;
};

TEST_F(WebServerTest, AnswersOnlyItsOwnNamesAndChangesOnlyForItsOwnPages) {
    Serve();
    struct Case {
        const char* method;
        const char* path;
        const char* host;
        const char* origin;
        const char* contentType;
        int status;
    };
    const char* json = "application/json";
    const std::vector<Case> cases{
        {"GET", "/api/state", "127.0.0.1:9230", nullptr, nullptr, 200},
        {"GET", "/api/state", "LOCALHOST", nullptr, nullptr, 200},
        {"GET", "/", "stagebox", nullptr, nullptr, 200},
        {"GET", "/app.js", "StageBox.local:9230", nullptr, nullptr, 200},
        {"GET", "/api/state", "192.0.2.7:9230", nullptr, nullptr, 200},
        {"GET", "/api/state", "[2001:DB8:0::7]:9230", nullptr, nullptr, 200},
        // Rebinding: a name of the attacker's, resolved to the bridge's address.
        {"GET", "/api/state", "lights.attacker.example", nullptr, nullptr, 403},
        {"GET", "/api/state", "stagebox.attacker.example", nullptr, nullptr, 403},
        {"GET", "/api/state", "192.0.2.8", nullptr, nullptr, 403},
        {"GET", "/api/state", "2001:db8::7", nullptr, nullptr, 403},
        {"GET", "/api/state", "[192.0.2.7]", nullptr, nullptr, 403},
        {"GET", "/api/state", "127.0.0.1:http", nullptr, nullptr, 403},
        {"GET", "/api/state", "", nullptr, nullptr, 403},
        {"POST", "/api/take", "127.0.0.1:9230", "http://127.0.0.1:9230", json, 200},
        {"POST", "/api/take", "stagebox:9230", "http://StageBox:9230", json, 200},
        {"POST", "/api/take", "127.0.0.1", nullptr, "Application/JSON; charset=utf-8", 200},
        {"POST", "/api/take", "127.0.0.1:9230", "http://lights.attacker.example", json, 403},
        {"POST", "/api/take", "127.0.0.1:9230", "http://127.0.0.1:9231", json, 403},
        {"POST", "/api/take", "127.0.0.1:9230", "https://127.0.0.1:9230", json, 403},
        {"POST", "/api/take", "127.0.0.1:9230", "null", json, 403},
        // What a form on another site can send without asking.
        {"POST", "/api/take", "127.0.0.1", nullptr, "text/plain", 403},
        {"POST", "/api/take", "127.0.0.1", nullptr, "application/x-www-form-urlencoded", 403},
        {"POST", "/api/take", "127.0.0.1", nullptr, nullptr, 403},
        {"POST", "/api/take", "lights.attacker.example", nullptr, json, 403},
        {"GET", "/api/take", "127.0.0.1", nullptr, nullptr, 405},
        {"POST", "/api/state", "127.0.0.1", nullptr, json, 405},
        {"POST", "/api/reboot", "127.0.0.1", nullptr, json, 404},
        {"GET", "/secret.txt", "127.0.0.1", nullptr, nullptr, 404},
        {"GET", "/../CMakeLists.txt", "127.0.0.1", nullptr, nullptr, 404},
    };
    for (const Case& each : cases) {
        HttpClient::Headers headers;
        if (each.host[0] != '\0') {
            headers.emplace_back("Host", each.host);
        } else {
            // No Host at all: an HTTP/1.0 request may leave it out.
            headers.emplace_back("X-No-Host", "1");
        }
        if (each.origin != nullptr) {
            headers.emplace_back("Origin", each.origin);
        }
        if (each.contentType != nullptr) {
            headers.emplace_back("Content-Type", each.contentType);
        }
        std::string request = HttpClient::Request(each.method, each.path, headers,
                                                  each.method[0] == 'P' ? R"({"universe":1})" : "");
        if (each.host[0] == '\0') {
            request.replace(request.find("Host: 127.0.0.1\r\n"), 17, "");
        }
        const std::size_t before = m_sink.Count();
        EXPECT_EQ(StatusOf(request), each.status)
            << each.method << ' ' << each.path << " Host " << each.host << " Origin "
            << (each.origin ? each.origin : "none");
        // Only what is answered 200 reached the bridge.
        EXPECT_EQ(m_sink.Count() - before, each.method[0] == 'P' && each.status == 200 ? 1U : 0U)
            << each.method << ' ' << each.path << " Host " << each.host;
    }

    // An address the host gets while the bridge runs.
    const std::string later = HttpClient::Request("GET", "/api/state", {{"Host", "198.51.100.4"}});
    EXPECT_EQ(StatusOf(later), 403);
    m_server->SetAddresses({"127.0.0.1", "198.51.100.4"});
    EXPECT_EQ(StatusOf(later), 200);
}

TEST_F(WebServerTest, RefusesOversizeHeadsAndBodiesWithoutReadingThem) {
    Serve();
    const HttpClient::Headers json{{"Content-Type", "application/json"}};
    HttpClient::Headers big{{"X-Fill", std::string(7 * 1024, 'x')}};
    EXPECT_EQ(StatusOf(HttpClient::Request("GET", "/api/state", big)), 200);
    big[0].second.assign(9 * 1024, 'x');
    EXPECT_EQ(StatusOf(HttpClient::Request("GET", "/api/state", big)), 431);

    std::string body = R"({"universe":1,"pad":")" + std::string(15 * 1024, ' ') + "\"}";
    EXPECT_EQ(StatusOf(HttpClient::Request("POST", "/api/take", json, body)), 200);
    // Only the head of a 17 KB body is sent: the answer comes all the same, at once.
    HttpClient client(m_server->Port());
    std::string head = HttpClient::Request("POST", "/api/take", json, std::string(17 * 1024, ' '));
    head.resize(head.find("\r\n\r\n") + 4);
    client.Send(head);
    EXPECT_TRUE(client.ReadToClose(kBound));
    EXPECT_EQ(HttpClient::Status(client.Received()), 413);
}

TEST_F(WebServerTest, DropsAClientThatTricklesItsRequestAtTheWholeRequestDeadline) {
    WebServerSettings settings;
    settings.requestDeadline = 1s;
    Serve(settings);
    HttpClient slow(m_server->Port());
    const auto start = std::chrono::steady_clock::now();
    slow.Send("GET /api/state HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ");
    // A byte every 100 ms: every read is quick, the request never ends.
    while (!slow.ReadUntil([](const std::string&) { return false; }, 100ms) && !slow.Closed() &&
           std::chrono::steady_clock::now() - start < kBound) {
        slow.Send("x");
    }
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(slow.Closed());
    EXPECT_GE(took, 900ms);
    EXPECT_LT(took, 3s);
    EXPECT_TRUE(slow.Received().empty());
}

TEST_F(WebServerTest, SixteenLivePagesAndTheSeventeenthRefusedUntilOneCloses) {
    Serve();
    std::vector<std::unique_ptr<HttpClient>> pages;
    for (int i = 0; i < 16; ++i) {
        pages.push_back(Watch());
        ASSERT_NE(pages.back()->Received().find("retry: 1000\n\nevent: state\ndata: {"),
                  std::string::npos)
            << "page " << i;
    }
    EXPECT_EQ(m_server->LiveStreams(), 16U);
    const std::string refused = Exchange(HttpClient::Request("GET", "/api/events"));
    EXPECT_EQ(HttpClient::Status(refused), 503);
    EXPECT_TRUE(HttpClient::Body(refused).starts_with(R"({"error":")"));
    // Other requests are still answered meanwhile.
    EXPECT_EQ(StatusOf(HttpClient::Request("GET", "/api/state")), 200);

    pages.pop_back();
    // The place of a page that went is free at once.
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    while (m_server->LiveStreams() == 16 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    pages.push_back(Watch());
    EXPECT_NE(pages.back()->Received().find("event: state"), std::string::npos);
}

TEST_F(WebServerTest, ALivePageIsSentOnlyTheObjectsThatChanged) {
    Serve();
    const std::unique_ptr<HttpClient> page = Watch();
    EXPECT_NE(page->Received().find(R"("lines":[{"index":0},{"index":1}])"), std::string::npos);
    m_server->Publish(Snapshot(2, R"({"index":0})", R"({"index":1,"load":5})"));
    EXPECT_TRUE(page->ReadUntil(
        [](const std::string& text) {
            return text.find(
                       "event: update\ndata: {\"lines\":[{\"index\":1,\"load\":5}],"
                       "\"universes\":[]}\n\n") != std::string::npos;
        },
        kBound))
        << page->Received();
}

TEST_F(WebServerTest, WithAPasswordEveryRequestNeedsItUnderAnyUserName) {
    WebServerSettings settings;
    settings.password = HttpPassword("sesame");
    Serve(settings);
    const std::string refused = Exchange(HttpClient::Request("GET", "/"));
    EXPECT_EQ(HttpClient::Status(refused), 401);
    EXPECT_NE(refused.find("WWW-Authenticate: Basic realm=\"dimrix-bridge\"\r\n"),
              std::string::npos);
    const auto with = [](const char* credentials) {
        return HttpClient::Headers{{"Authorization", std::string("Basic ") + credentials},
                                   {"Content-Type", "application/json"}};
    };
    // anyone:sesame, :sesame, anyone:sesamE
    EXPECT_EQ(StatusOf(HttpClient::Request("GET", "/", with("YW55b25lOnNlc2FtZQ=="))), 200);
    EXPECT_EQ(StatusOf(HttpClient::Request("GET", "/api/events", with("OnNlc2FtZQ=="))), 200);
    EXPECT_EQ(StatusOf(HttpClient::Request("POST", "/api/take", with("YW55b25lOnNlc2FtRQ=="),
                                           R"({"universe":1})")),
              401);
    EXPECT_EQ(m_sink.Count(), 0U);
}

TEST(HttpPasswordTest, TheFirstLineOfAFileOnlyItsOwnerMayRead) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("dimrix-password-" + std::to_string(::getpid()));
    std::ofstream(path) << "sesame\nsecond line\n";
    ::chmod(path.c_str(), 0640);
    EXPECT_THROW(HttpPassword::FromFile(path), std::runtime_error);
    ::chmod(path.c_str(), 0604);
    EXPECT_THROW(HttpPassword::FromFile(path), std::runtime_error);
    ::chmod(path.c_str(), 0600);
    EXPECT_TRUE(HttpPassword::FromFile(path)->Admits("Basic OnNlc2FtZQ=="));
    // What a service is handed when no password was set up.
    std::ofstream(path) << "\nsecond line\n";
    EXPECT_FALSE(HttpPassword::FromFile(path).has_value());
    std::filesystem::remove(path);
    EXPECT_THROW(HttpPassword::FromFile(path), std::runtime_error);
}

}  // namespace
}  // namespace dimrix::bridge::web
