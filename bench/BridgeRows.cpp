// The bridge's rows: the real dimrix-bridge on pseudo-terminals, fed sACN over the
// loopback interface from this process and watched from outside (the wire's bytes as the
// far end reads them, CPU and memory through /proc). It listens on 127.0.0.1 only.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchReport.h"
#include "ProgramRun.h"
#include "Rows.h"
#include "Samples.h"
#include "WireReader.h"
#include "bridge/SamplePackets.h"
#include "protocol/Protocol.h"

namespace dimrix::bench {

namespace {

using Clock = WireReader::Clock;
using bridge::samples::Bytes;

constexpr double kLineBytesPerSecond = 1920.0;
constexpr std::uint16_t kSacnPort = 5568;
constexpr int kBoards = protocol::kAddressCount;
constexpr int kChannels = protocol::kChannelCount;
constexpr std::size_t kAddressFrameSize = 10;
// What a console sends: a whole universe about 44 times a second.
constexpr auto kConsolePeriod = std::chrono::microseconds(1'000'000 / 44);
constexpr auto kStartPatience = std::chrono::seconds(10);
// One frame's time on the line, the bound a change may wait behind.
constexpr double kFrameMs = kAddressFrameSize * 1000.0 / kLineBytesPerSecond;
// How often this thread looks at what the reader's thread stamped.
constexpr auto kPoll = std::chrono::microseconds(200);

// sACN to the bridge, from this process, to 127.0.0.1 only.
class SacnSender {
public:
    SacnSender() : m_socket(::socket(AF_INET, SOCK_DGRAM, 0)) {
        if (m_socket < 0) {
            throw std::runtime_error("no UDP socket");
        }
        m_to.sin_family = AF_INET;
        m_to.sin_port = htons(kSacnPort);
        m_to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    ~SacnSender() { ::close(m_socket); }
    SacnSender(const SacnSender&) = delete;
    SacnSender& operator=(const SacnSender&) = delete;

    void SendRaw(const Bytes& datagram) const {
        // A full socket buffer under the flood is the flood's own loss, not a failure.
        (void)::sendto(m_socket, datagram.data(), datagram.size(), 0,
                       reinterpret_cast<const sockaddr*>(&m_to), sizeof m_to);
    }
    // One universe's slots, numbered as a console numbers its packets.
    void Send(const Bytes& slots, std::uint16_t universe = 1) {
        bridge::samples::SacnFields fields;
        fields.universe = universe;
        fields.sequence = m_sequence[universe % m_sequence.size()]++;
        SendRaw(bridge::samples::Sacn(slots, fields));
    }

private:
    int m_socket = -1;
    sockaddr_in m_to{};
    std::array<std::uint8_t, 8> m_sequence{};
};

// DMX that the bridge turns into exactly `level`: the inverse of its rounding.
std::uint8_t DmxFor(int level) {
    return static_cast<std::uint8_t>((level * 255 + 50) / 100);
}

std::vector<std::string> BridgeCommand(const std::vector<std::unique_ptr<WireReader>>& lines) {
    std::vector<std::string> argv{DIMRIX_BRIDGE_PATH, "--bind", "127.0.0.1", "--quiet",
                                  "--sacn-only"};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        argv.push_back(lines[i]->SlavePath() + ':' + std::to_string(i + 1));
    }
    return argv;
}

// Sends `slots` until the first line shows a byte: the bridge is up and listening.
void AwaitBridge(SacnSender& sender, const WireReader& line, const Bytes& slots) {
    const auto deadline = Clock::now() + kStartPatience;
    while (line.Count() == 0) {
        if (Clock::now() > deadline) {
            throw std::runtime_error("dimrix-bridge did not start");
        }
        sender.Send(slots);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// Where each frame of a well-formed stream begins.
std::vector<std::size_t> FrameStarts(std::span<const std::uint8_t> bytes) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < bytes.size();) {
        starts.push_back(i);
        const std::uint8_t first = bytes[i];
        i += first >= protocol::kFirstAddress    ? kAddressFrameSize
             : first == protocol::kMasterCommand ? 3
                                                 : 2;
    }
    return starts;
}

// When the first byte of board 128's frame with channel 0 at `level` arrived, at or after
// byte `from`; nothing if not by `deadline`.
std::optional<Clock::time_point> AwaitBoard128(const WireReader& line, std::size_t from, int level,
                                               Clock::time_point deadline) {
    // Addresses never occur as levels, so a board's frame is found wherever it starts.
    for (std::size_t at = from; Clock::now() < deadline;) {
        const auto bytes = line.Bytes();
        for (; at + 1 < bytes.size(); ++at) {
            if (bytes[at] == protocol::kFirstAddress && bytes[at + 1] == level) {
                return line.Time(at);
            }
        }
        // The reader stamps the bytes; this thread only must not take its core.
        std::this_thread::sleep_for(kPoll);
    }
    return std::nullopt;
}

double Ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Every board at its own level, so nothing is uniform and only board 128 changes.
Bytes StillUniverse() {
    Bytes slots(kBoards * kChannels);
    for (int board = 1; board < kBoards; ++board) {
        std::fill_n(slots.begin() + board * kChannels, kChannels, DmxFor(board));
    }
    return slots;
}

// The bridge running on `lineCount` lines (universe 1 upwards) read at `bytesPerSecond`
// (0: as fast as they come), up and driving them with a universe where only board 128
// will change.
struct Rig {
    Rig(std::size_t lineCount, double bytesPerSecond) {
        for (std::size_t i = 0; i < lineCount; ++i) {
            lines.push_back(std::make_unique<WireReader>(bytesPerSecond));
            lines.back()->Start([] {});
        }
        run = std::make_unique<ProgramRun>(BridgeCommand(lines));
        AwaitBridge(sender, *lines.front(), slots);
    }
    std::vector<std::unique_ptr<WireReader>> lines;
    std::unique_ptr<ProgramRun> run;
    SacnSender sender;
    Bytes slots = StillUniverse();
};

// Board 128's channel 0 toggled between 0 and 100, one packet every 30 ms; each sample is
// the packet's send to the first byte of the board's new frame at the far end, read as
// fast as it comes. The refresh shares the line: a change that met it waits behind one
// frame at most; the others met an idle line.
void MeasureChangeLatency(BenchReport& report) {
    constexpr int kSamples = 300;
    Rig rig(1, 0.0);
    auto& [lines, run, sender, slots] = rig;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    Samples idle;
    Samples all;
    for (int i = 0; i < kSamples; ++i) {
        const int level = i % 2 == 0 ? protocol::kMaxLevel : protocol::kMinLevel;
        slots[0] = DmxFor(level);
        const std::size_t before = lines.front()->Count();
        const Clock::time_point lastByte =
            before == 0 ? Clock::time_point{} : lines.front()->Time(before - 1);
        const Clock::time_point sent = Clock::now();
        sender.Send(slots);
        const std::optional<Clock::time_point> arrived =
            AwaitBoard128(*lines.front(), before, level, sent + std::chrono::seconds(1));
        if (!arrived) {
            throw std::runtime_error("a change never reached the wire");
        }
        all.Add(Ms(*arrived - sent));
        // Idle: nothing was on its way when the packet came, and nothing went first.
        if (Ms(sent - lastByte) > 2 * kFrameMs && lines.front()->Time(before) == *arrived) {
            idle.Add(Ms(*arrived - sent));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    lines.front()->Stop();
    report.Row("bridge: sACN packet to first byte of the frame, idle line",
               idle.Spread(2) + " (" + std::to_string(idle.Count()) + " changes)", "p99 < 1 ms",
               MetIf(idle.P99() < 1.0));
    report.Row("bridge: the same with the refresh running",
               all.Spread(2) + " (" + std::to_string(all.Count()) + " changes)",
               "p99 <= " + Fixed(kFrameMs + 1.0, 1) + " ms (one frame + 1 ms)",
               MetIf(all.P99() <= kFrameMs + 1.0));
    report.Value("bridge.idle_p99_ms", idle.P99());
    report.Value("bridge.refresh_p99_ms", all.P99());
}

// Console-rate churn on `lineCount` lines (a universe each), every slot new in every
// packet, each line read at 1920 B/s. Board b's channels 0 and 1 carry the packet's
// number, so each frame on the wire says how old its data is.
struct Churn {
    Samples staleness;
    double maxGapMs = 0.0;
    int starvedBoards = 0;
    bool endsAtLastState = true;
    double cpuPercent = 0.0;
    double peakMb = 0.0;
};

Churn RunChurn(std::size_t lineCount, std::chrono::seconds length) {
    Rig rig(lineCount, kLineBytesPerSecond);
    auto& [lines, run, sender, slots] = rig;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    std::mt19937 random(7);
    std::vector<Clock::time_point> sentAt;
    std::vector<std::size_t> startCount;
    for (const auto& line : lines) {
        startCount.push_back(line->Count());
    }
    const double cpuBefore = run->CpuSeconds();
    const Clock::time_point begin = Clock::now();
    auto next = begin;
    while (Clock::now() < begin + length) {
        const int number = static_cast<int>(sentAt.size());
        for (int board = 0; board < kBoards; ++board) {
            const auto at = slots.begin() + board * kChannels;
            at[0] = DmxFor(number / 100);
            at[1] = DmxFor(number % 100);
            // The rest random: never two boards alike, never one level everywhere.
            for (int channel = 2; channel < kChannels; ++channel) {
                at[channel] = static_cast<std::uint8_t>(random() % 256);
            }
        }
        sentAt.push_back(Clock::now());
        for (std::size_t line = 0; line < lineCount; ++line) {
            sender.Send(slots, static_cast<std::uint16_t>(line + 1));
        }
        next += kConsolePeriod;
        std::this_thread::sleep_until(next);
    }
    const Clock::time_point end = Clock::now();
    const double cpuSeconds = run->CpuSeconds() - cpuBefore;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));

    Churn churn;
    churn.cpuPercent = 100.0 * cpuSeconds / std::chrono::duration<double>(end - begin).count();
    churn.peakMb = run->PeakResidentMb();
    const int lastNumber = static_cast<int>(sentAt.size()) - 1;
    for (std::size_t l = 0; l < lineCount; ++l) {
        lines[l]->Stop();
        const auto bytes = lines[l]->Bytes();
        // Each board's frames: when the last byte arrived, and which packet's data it held.
        std::array<std::vector<std::pair<Clock::time_point, int>>, kBoards> frames;
        for (const std::size_t at : FrameStarts(bytes)) {
            if (at < startCount[l] || bytes[at] < protocol::kFirstAddress ||
                at + kAddressFrameSize > bytes.size()) {
                continue;
            }
            frames[bytes[at] - protocol::kFirstAddress].emplace_back(
                lines[l]->Time(at + kAddressFrameSize - 1), bytes[at + 1] * 100 + bytes[at + 2]);
        }
        for (const auto& board : frames) {
            if (board.empty()) {
                ++churn.starvedBoards;
                continue;
            }
            churn.endsAtLastState = churn.endsAtLastState && board.back().second == lastNumber;
            for (std::size_t i = 1; i < board.size(); ++i) {
                if (board[i].first <= end) {
                    churn.maxGapMs =
                        std::max(churn.maxGapMs, Ms(board[i].first - board[i - 1].first));
                }
            }
            // How long each packet's change took to reach the board: to the first frame
            // that holds that packet's data or newer.
            std::size_t frame = 0;
            for (int number = 0; number <= lastNumber; ++number) {
                while (frame < board.size() && board[frame].second < number) {
                    ++frame;
                }
                if (frame == board.size()) {
                    break;
                }
                churn.staleness.Add(
                    Ms(board[frame].first - sentAt[static_cast<std::size_t>(number)]));
            }
        }
    }
    return churn;
}

void MeasureChurn(BenchReport& report) {
    const Churn one = RunChurn(1, std::chrono::seconds(10));
    const double passMs = kBoards * kFrameMs;
    // One pass of 31 frames plus the one on the wire, rounded up.
    constexpr double goal = 170.0;
    report.Row("bridge: full churn at 44 Hz for 10 s, board staleness",
               one.staleness.Spread(1) + ", longest gap " + Fixed(one.maxGapMs, 0) + " ms, " +
                   std::to_string(one.starvedBoards) + " boards starved, " +
                   (one.endsAtLastState ? "boards end at the last state" : "boards end stale"),
               "p99 <= " + Fixed(goal, 0) + " ms, none starved, ends at the last state",
               MetIf(one.staleness.P99() <= goal && one.starvedBoards == 0 && one.endsAtLastState &&
                     one.maxGapMs < 2 * passMs));
    report.Row("bridge: CPU at 44 Hz, one universe and one line",
               Fixed(one.cpuPercent, 2) + " % of one core (peak " + Fixed(one.peakMb, 1) + " MB)",
               "< 1 % of one core", MetIf(one.cpuPercent < 1.0));
    report.Value("bridge.churn_staleness_p99_ms", one.staleness.P99());
    report.Value("bridge.cpu_one_line_percent", one.cpuPercent);

    const Churn four = RunChurn(4, std::chrono::seconds(10));
    report.Row("bridge: CPU at 44 Hz, four lines", Fixed(four.cpuPercent, 2) + " % of one core",
               "< 3 % of one core", MetIf(four.cpuPercent < 3.0));
    report.Value("bridge.cpu_four_lines_percent", four.cpuPercent);
}

// From full churn to all 0: the send to the first byte of the preset frame (110) at the
// far end, read as fast as it comes while the bridge keeps the line busy at its pace.
void MeasureBlackout(BenchReport& report) {
    constexpr int kBlackouts = 40;
    Rig rig(1, 0.0);
    auto& [lines, run, sender, slots] = rig;
    std::mt19937 random(11);
    Samples samples;
    const Bytes off(kBoards * kChannels, 0);
    for (int i = 0; i < kBlackouts; ++i) {
        // A quarter of a second of full churn: the line is mid-pass.
        const auto churnEnd = Clock::now() + std::chrono::milliseconds(250);
        while (Clock::now() < churnEnd) {
            std::ranges::generate(slots, [&random] { return random() % 256; });
            sender.Send(slots);
            std::this_thread::sleep_for(kConsolePeriod);
        }
        const std::size_t before = lines.front()->Count();
        const Clock::time_point sent = Clock::now();
        sender.Send(off);
        std::optional<Clock::time_point> arrived;
        // A preset's code never occurs as a level or an address.
        for (std::size_t at = before; !arrived && Clock::now() < sent + std::chrono::seconds(1);) {
            const auto bytes = lines.front()->Bytes();
            for (; at < bytes.size(); ++at) {
                if (bytes[at] == static_cast<std::uint8_t>(protocol::Preset::AllOff)) {
                    arrived = lines.front()->Time(at);
                    break;
                }
            }
            std::this_thread::sleep_for(kPoll);
        }
        if (!arrived) {
            throw std::runtime_error("a blackout never reached the wire");
        }
        samples.Add(Ms(*arrived - sent));
    }
    lines.front()->Stop();
    report.Row("bridge: blackout from full churn, to All OFF on the wire",
               samples.Spread(2) + " (" + std::to_string(samples.Count()) + " blackouts)",
               "<= 3 ms", MetIf(samples.Max() <= 3.0));
    report.Value("bridge.blackout_max_ms", samples.Max());
}

// A minute of junk at full loopback speed: truncated and corrupted packets, wrong
// vectors, start codes and universes, random lengths up to 1,500 bytes. The bridge's
// memory stays where it was, and a real change still gets through meanwhile.
void MeasureFlood(BenchReport& report) {
    constexpr auto kLength = std::chrono::seconds(60);
    Rig rig(1, 0.0);
    auto& [lines, run, probe, slots] = rig;

    std::atomic<bool> flooding{true};
    std::atomic<std::uint64_t> sent{0};
    std::thread flood([&] {
        SacnSender sender;
        std::mt19937 random(3);
        // Another source's packet for a universe the bridge has no line in: whatever the
        // damage leaves readable still never reaches the line.
        bridge::samples::SacnFields foreign;
        foreign.cidSeed = 0x80;
        foreign.universe = 7;
        const Bytes valid = bridge::samples::Sacn(Bytes(512, 9), foreign);
        constexpr std::size_t kUniverseAt = 113;
        while (flooding) {
            Bytes junk = valid;
            switch (random() % 4) {
                case 0:  // cut anywhere
                    junk.resize(random() % valid.size());
                    break;
                case 1: {  // one byte wrong anywhere but in the universe
                    std::size_t at = random() % junk.size();
                    at += at == kUniverseAt || at == kUniverseAt + 1 ? 2 : 0;
                    junk[at] ^= static_cast<std::uint8_t>(1 + random() % 255);
                    break;
                }
                case 2:  // a start code of no levels
                    junk[125] = 0xdd;
                    break;
                default:  // noise of any length
                    junk.resize(random() % 1501);
                    std::ranges::generate(junk, [&random] { return random() % 256; });
            }
            sender.SendRaw(junk);
            ++sent;
        }
    });
    const Clock::time_point begin = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const double settledMb = run->PeakResidentMb();
    Samples responses;
    int failures = 0;
    int shown = protocol::kMinLevel;
    while (Clock::now() < begin + kLength) {
        const int level = shown == protocol::kMinLevel ? protocol::kMaxLevel : protocol::kMinLevel;
        slots[0] = DmxFor(level);
        const std::size_t before = lines.front()->Count();
        // Sent again at console rate until it shows, as a console does: the socket's
        // buffer, full of junk, drops what arrives while it is full.
        const Clock::time_point at = Clock::now();
        const auto deadline = at + std::chrono::seconds(2);
        std::optional<Clock::time_point> arrived;
        while (!arrived && Clock::now() < deadline) {
            probe.Send(slots);
            arrived = AwaitBoard128(*lines.front(), before, level,
                                    std::min(deadline, Clock::now() + kConsolePeriod));
        }
        // A change lost for good still may show later; the next one starts from there.
        shown = arrived ? level : shown;
        failures += arrived ? 0 : 1;
        responses.Add(Ms(arrived.value_or(deadline) - at));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    flooding = false;
    flood.join();
    const double endMb = run->PeakResidentMb();
    lines.front()->Stop();
    const double rate = static_cast<double>(sent) / std::chrono::duration<double>(kLength).count();
    report.Row("bridge: memory over 60 s of malformed packets",
               Fixed(settledMb, 1) + " MB after 5 s, " + Fixed(endMb, 1) + " MB after 60 s (" +
                   Fixed(rate / 1000.0, 0) + "k packets/s); a change through it " +
                   responses.Spread(1) + ", " + std::to_string(failures) + " of " +
                   std::to_string(responses.Count()) + " not within 2 s",
               "flat (< 1 MB growth), a change through within 100 ms",
               MetIf(endMb - settledMb < 1.0 && responses.P99() < 100.0));
    report.Value("bridge.flood_growth_mb", endMb - settledMb);
}

}  // namespace

void MeasureBridge(BenchReport& report) {
    for (void (*measure)(BenchReport&) :
         {MeasureChangeLatency, MeasureChurn, MeasureBlackout, MeasureFlood}) {
        try {
            measure(report);
        } catch (const std::exception& error) {
            std::cerr << "bridge row failed: " << error.what() << '\n';
            report.Row("bridge", std::string("failed: ") + error.what(), "-", Verdict::NotRun);
        }
    }
}

}  // namespace dimrix::bench
