// The web console's rows: the real dimrix-bridge on pseudo-terminals with its console on
// 127.0.0.1, watched by plain clients as a browser's page would (Server-Sent Events read
// as they come), driven by its own requests; fed sACN over the loopback interface.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchReport.h"
#include "BridgeRig.h"
#include "Rows.h"
#include "SacnSender.h"
#include "Samples.h"
#include "bridge/web/HttpClient.h"

namespace dimrix::bench {

namespace {

using bridge::samples::Bytes;
using testing::HttpClient;
using Clock = BridgeRig::Clock;
constexpr int kBoards = BridgeRig::kBoards;
constexpr int kChannels = BridgeRig::kChannels;
constexpr auto kConsolePeriod = BridgeRig::kConsolePeriod;
constexpr double kFrameMs = BridgeRig::kFrameMs;
constexpr double kLineBytesPerSecond = BridgeRig::kLineBytesPerSecond;

constexpr int kPages = 16;
constexpr auto kPatience = std::chrono::seconds(5);
const HttpClient::Headers kJson{{"Content-Type", "application/json"}};

// A port nothing listens on now, for the console to take.
std::uint16_t FreePort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    if (probe < 0 || ::bind(probe, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 ||
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
        throw std::runtime_error("no free port for the web console");
    }
    ::close(probe);
    return ntohs(at.sin_port);
}

std::vector<std::string> ConsoleOn(std::uint16_t port) {
    return {"--http", "127.0.0.1:" + std::to_string(port)};
}

bool HasState(const std::string& text) {
    const std::size_t state = text.find("event: state\ndata: ");
    return state != std::string::npos && text.find("\n\n", state) != std::string::npos;
}

// One page opened: its state in, or why not.
std::unique_ptr<HttpClient> OpenPage(std::uint16_t port) {
    auto page = std::make_unique<HttpClient>(port);
    page->Send(HttpClient::Request("GET", "/api/events"));
    if (!page->ReadUntil(HasState, kPatience)) {
        throw std::runtime_error("a page got no state: " + page->Received().substr(0, 80));
    }
    return page;
}

// Live pages, each taking its updates as they come, on a thread of their own.
class Pages {
public:
    Pages(std::uint16_t port, int count) {
        for (int i = 0; i < count; ++i) {
            m_pages.push_back(OpenPage(port));
        }
        m_thread = std::thread([this] {
            while (m_reading) {
                for (const auto& page : m_pages) {
                    m_bytes += page->Drain();
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    ~Pages() {
        m_reading = false;
        m_thread.join();
    }
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;

    [[nodiscard]] std::size_t Bytes() const { return m_bytes; }

private:
    std::vector<std::unique_ptr<HttpClient>> m_pages;
    std::atomic<bool> m_reading{true};
    std::atomic<std::size_t> m_bytes{0};
    std::thread m_thread;
};

// A console's full churn on universe `universe`, 44 times a second, until destroyed.
class Churner {
public:
    explicit Churner(std::uint16_t universe) {
        m_thread = std::thread([this, universe] {
            SacnSender sender;
            std::mt19937 random(5);
            Bytes slots(kBoards * kChannels);
            auto next = Clock::now();
            while (m_running) {
                std::ranges::generate(slots, [&random] { return random() % 256; });
                sender.Send(slots, universe);
                next += kConsolePeriod;
                std::this_thread::sleep_until(next);
            }
        });
    }
    ~Churner() {
        m_running = false;
        m_thread.join();
    }
    Churner(const Churner&) = delete;
    Churner& operator=(const Churner&) = delete;

private:
    std::atomic<bool> m_running{true};
    std::thread m_thread;
};

// Board 128's channel 0 toggled by sACN on an idle line, with full churn on a second line:
// the packet's send to the first byte of the board's frame, where nothing went first.
Samples IdleLatency(const std::vector<std::string>& options, std::optional<std::uint16_t> pages) {
    constexpr int kSamples = 300;
    // The idle line read at once, the churned one at the line's rate.
    BridgeRig rig({0.0, kLineBytesPerSecond}, options);
    auto& [lines, run, sender, slots] = rig;
    std::unique_ptr<Pages> watching;
    if (pages) {
        watching = std::make_unique<Pages>(*pages, kPages);
    }
    const Churner churn(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Samples idle;
    for (int i = 0; i < kSamples; ++i) {
        const std::optional<BridgeRig::Change> change = rig.ToggleBoard128(i);
        if (!change) {
            throw std::runtime_error("a change never reached the wire (" +
                                     std::string(pages ? "16 pages" : "console off") + ", change " +
                                     std::to_string(i) + ")");
        }
        if (change->idleLine) {
            idle.Add(change->ms);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    for (const auto& line : lines) {
        line->Stop();
    }
    return idle;
}

void MeasureBesidePages(BenchReport& report) {
    const Samples off = IdleLatency({"--http", "off"}, std::nullopt);
    const std::uint16_t port = FreePort();
    const Samples on = IdleLatency(ConsoleOn(port), port);
    const double allowed = std::max(off.P99() * 1.1, off.P99() + 0.2);
    report.Row("console: sACN packet to first byte, idle line, 16 pages open, churn on another",
               on.Spread(2) + " (console off: p99 " + Fixed(off.P99(), 2) + " ms)",
               "p99 within 1.1x (or 0.2 ms) of the console off", MetIf(on.P99() <= allowed));
    report.Value("console.beside_pages_p99_ms", on.P99());
    report.Value("console.off_p99_ms", off.P99());
}

// The page's own request, a fader of board 128 channel 0 toggled, to the first byte of
// the board's frame, on an idle line.
void MeasureFader(BenchReport& report) {
    constexpr int kSamples = 200;
    const std::uint16_t port = FreePort();
    BridgeRig rig(1, 0.0, ConsoleOn(port));
    auto& lines = rig.lines;
    // Taken, at the top priority: the console alone drives board 128's channel 0.
    for (const auto& [command, body] :
         {std::pair{"take", R"({"universe": 1})"},
          std::pair{"priority", R"({"universe": 1, "priority": 200})"}}) {
        if (HttpClient::Status(HttpClient::Exchange(
                port, HttpClient::Request("POST", std::string("/api/") + command, kJson, body))) !=
            200) {
            throw std::runtime_error(std::string("the console refused ") + command);
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Samples samples;
    for (int i = 0; i < kSamples; ++i) {
        const int level = i % 2 == 0 ? protocol::kMaxLevel : protocol::kMinLevel;
        const std::size_t before = lines.front()->Count();
        const std::string request = HttpClient::Request(
            "POST", "/api/level", kJson,
            R"({"line": 0, "board": 128, "channel": 0, "level": )" + std::to_string(level) + "}");
        const Clock::time_point sent = Clock::now();
        HttpClient page(port);
        page.Send(request);
        const std::optional<Clock::time_point> arrived =
            BridgeRig::AwaitBoard128(*lines.front(), before, level, sent + std::chrono::seconds(1));
        if (!arrived) {
            throw std::runtime_error("a fader move never reached the wire");
        }
        samples.Add(BridgeRig::Ms(*arrived - sent));
        page.ReadToClose(kPatience);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    lines.front()->Stop();
    report.Row("console: fader move (the page's request) to that board's first byte, idle line",
               samples.Spread(2) + " (" + std::to_string(samples.Count()) + " moves)",
               "p99 < 10 ms", MetIf(samples.P99() < 10.0));
    report.Value("console.fader_p99_ms", samples.P99());
}

// One line at 44 Hz full churn read at 1920 B/s, ten seconds without a page, then ten
// with sixteen watching; the bridge's CPU in each.
void MeasureCpu(BenchReport& report) {
    constexpr auto kLength = std::chrono::seconds(10);
    const std::uint16_t port = FreePort();
    BridgeRig rig(1, kLineBytesPerSecond, ConsoleOn(port));
    const Churner churn(1);
    const auto cpuOver = [&rig, kLength] {
        const double before = rig.run->CpuSeconds();
        std::this_thread::sleep_for(kLength);
        return 100.0 * (rig.run->CpuSeconds() - before) /
               std::chrono::duration<double>(kLength).count();
    };
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double alone = cpuOver();
    double watched = 0.0;
    std::size_t sent = 0;
    {
        const Pages pages(port, kPages);
        watched = cpuOver();
        sent = pages.Bytes();
    }
    rig.lines.front()->Stop();
    report.Row("console: CPU, one line at 44 Hz churn, 16 pages watching",
               Fixed(watched, 2) + " % of one core (" + Fixed(alone, 2) + " % with no page; " +
                   Fixed(static_cast<double>(sent) / 1e6 / 10.0, 2) + " MB/s to the pages)",
               "< 2 % of a core above no page", MetIf(watched - alone < 2.0));
    report.Value("console.cpu_watched_percent", watched);
    report.Value("console.cpu_alone_percent", alone);
}

// Every file a page loads: what index.html names (src, href) and what its scripts import
// (from './x.js'), each fetched once, one after another.
void LoadPage(std::uint16_t port) {
    static const std::regex kReference(R"re((?:src|href)="([^"/:]+)"|from '\./([^']+)')re");
    std::vector<std::string> queue{"/"};
    for (std::size_t next = 0; next < queue.size(); ++next) {
        const std::string answer =
            HttpClient::Exchange(port, HttpClient::Request("GET", queue[next]));
        if (HttpClient::Status(answer) != 200) {
            throw std::runtime_error("no " + queue[next]);
        }
        const std::string body = HttpClient::Body(answer);
        for (auto found = std::sregex_iterator(body.begin(), body.end(), kReference);
             found != std::sregex_iterator(); ++found) {
            std::string path(1, '/');
            path += ((*found)[1].matched ? (*found)[1] : (*found)[2]).str();
            if (std::ranges::find(queue, path) == queue.end()) {
                queue.push_back(path);
            }
        }
    }
}

// A browser's first visit, one request after another: the page and every file it loads,
// then the live state; from the first connect to the state's last byte.
void MeasurePageOpen(BenchReport& report) {
    constexpr int kSamples = 50;
    const std::uint16_t port = FreePort();
    BridgeRig rig(1, 0.0, ConsoleOn(port));
    Samples samples;
    for (int i = 0; i < kSamples; ++i) {
        const Clock::time_point start = Clock::now();
        LoadPage(port);
        OpenPage(port);
        samples.Add(BridgeRig::Ms(Clock::now() - start));
    }
    rig.lines.front()->Stop();
    report.Row("console: a page opened (every file it loads, one by one) to its first full state",
               samples.Spread(1) + " (" + std::to_string(samples.Count()) + " pages)",
               "p99 < 300 ms", MetIf(samples.P99() < 300.0));
    report.Value("console.page_open_p99_ms", samples.P99());
}

// What a careless or hostile client sends, one connection each.
void SendMalformed(std::uint16_t port, std::mt19937& random) {
    HttpClient client(port);
    switch (random() % 6) {
        case 0: {  // noise
            std::string noise(1 + random() % 2000, ' ');
            std::ranges::generate(noise, [&random] { return static_cast<char>(random() % 256); });
            client.Send(noise);
            break;
        }
        case 1:  // a 9 KB head
            client.Send(
                HttpClient::Request("GET", "/api/state", {{"X-Fill", std::string(9 * 1024, 'x')}}));
            break;
        case 2: {  // a 20 KB body announced
            std::string head =
                HttpClient::Request("POST", "/api/level", kJson, std::string(20 * 1024, ' '));
            head.resize(head.find("\r\n\r\n") + 4);
            client.Send(head);
            break;
        }
        case 3:  // a command that is no JSON
            client.Send(HttpClient::Request("POST", "/api/level", kJson, R"({"line": 0, "boa)"));
            break;
        case 4:  // another site's name
            client.Send(HttpClient::Request("GET", "/api/state", {{"Host", "attacker.example"}}));
            break;
        default:  // half a request, then gone
            client.Send("GET /api/sta");
            return;
    }
    client.ReadToClose(kPatience);
}

void MeasureMemory(BenchReport& report) {
    constexpr int kPageVisits = 1000;
    constexpr auto kMalformed = std::chrono::seconds(60);
    const std::uint16_t port = FreePort();
    BridgeRig rig(1, 0.0, ConsoleOn(port));
    std::mt19937 random(13);
    // Settled: every kind of request met once or more.
    for (int i = 0; i < 50; ++i) {
        OpenPage(port);
        SendMalformed(port, random);
    }
    const double settledMb = rig.run->PeakResidentMb();
    for (int i = 0; i < kPageVisits; ++i) {
        OpenPage(port);
    }
    const double afterPagesMb = rig.run->PeakResidentMb();
    std::size_t requests = 0;
    const Clock::time_point begin = Clock::now();
    while (Clock::now() < begin + kMalformed) {
        SendMalformed(port, random);
        ++requests;
    }
    const double endMb = rig.run->PeakResidentMb();
    const bool answers = HttpClient::Status(HttpClient::Exchange(
                             port, HttpClient::Request("GET", "/api/state"))) == 200;
    rig.lines.front()->Stop();
    report.Row(
        "console: memory over 1,000 pages opened and closed, then 60 s of malformed requests",
        Fixed(settledMb, 1) + " MB settled, " + Fixed(afterPagesMb, 1) + " MB after the pages, " +
            Fixed(endMb, 1) + " MB after " + std::to_string(requests) + " malformed requests" +
            (answers ? "; still answering" : "; no longer answering"),
        "flat (< 1 MB growth), still answering", MetIf(endMb - settledMb < 1.0 && answers));
    report.Value("console.memory_growth_mb", endMb - settledMb);
}

}  // namespace

void MeasureConsole(BenchReport& report) {
    for (void (*measure)(BenchReport&) :
         {MeasureBesidePages, MeasureFader, MeasureCpu, MeasurePageOpen, MeasureMemory}) {
        try {
            measure(report);
        } catch (const std::exception& error) {
            std::cerr << "console row failed: " << error.what() << '\n';
            report.Row("console", std::string("failed: ") + error.what(), "-", Verdict::NotRun);
        }
    }
}

}  // namespace dimrix::bench
