// The bridge's rows: the real dimrix-bridge on pseudo-terminals, fed sACN over the
// loopback interface from this process and watched from outside (the wire's bytes as the
// far end reads them, CPU and memory through /proc). It listens on 127.0.0.1 only. The
// churn rows are in BridgeChurnRows.cpp.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

#include "BenchReport.h"
#include "BridgeRig.h"
#include "Rows.h"
#include "SacnSender.h"
#include "Samples.h"
#include "bridge/SamplePackets.h"
#include "protocol/Protocol.h"

namespace dimrix::bench {

namespace {

using Clock = BridgeRig::Clock;
using bridge::samples::Bytes;
constexpr auto kBoards = BridgeRig::kBoards;
constexpr auto kChannels = BridgeRig::kChannels;
constexpr auto kConsolePeriod = BridgeRig::kConsolePeriod;
constexpr auto kPoll = BridgeRig::kPoll;
constexpr double kFrameMs = BridgeRig::kFrameMs;

// Board 128's channel 0 toggled between 0 and 100, one packet every 30 ms; each sample is
// the packet's send to the first byte of the board's new frame at the far end, read as
// fast as it comes. The refresh shares the line: a change that met it waits behind one
// frame at most; the others met an idle line.
void MeasureChangeLatency(BenchReport& report) {
    constexpr int kSamples = 300;
    BridgeRig rig(1, 0.0);
    auto& [lines, run, sender, slots] = rig;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    Samples idle;
    Samples all;
    for (int i = 0; i < kSamples; ++i) {
        const std::optional<BridgeRig::Change> change = rig.ToggleBoard128(i);
        if (!change) {
            throw std::runtime_error("a change never reached the wire");
        }
        all.Add(change->ms);
        if (change->idleLine) {
            idle.Add(change->ms);
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

// From full churn to all 0: the send to the first byte of the preset frame (110) at the
// far end, read as fast as it comes while the bridge keeps the line busy at its pace.
void MeasureBlackout(BenchReport& report) {
    constexpr int kBlackouts = 40;
    BridgeRig rig(1, 0.0);
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
        samples.Add(BridgeRig::Ms(*arrived - sent));
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
    BridgeRig rig(1, 0.0);
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
        slots[0] = BridgeRig::DmxFor(level);
        const std::size_t before = lines.front()->Count();
        // Sent again at console rate until it shows, as a console does: the socket's
        // buffer, full of junk, drops what arrives while it is full.
        const Clock::time_point at = Clock::now();
        const auto deadline = at + std::chrono::seconds(2);
        std::optional<Clock::time_point> arrived;
        while (!arrived && Clock::now() < deadline) {
            probe.Send(slots);
            arrived = BridgeRig::AwaitBoard128(*lines.front(), before, level,
                                               std::min(deadline, Clock::now() + kConsolePeriod));
        }
        // A change lost for good still may show later; the next one starts from there.
        shown = arrived ? level : shown;
        failures += arrived ? 0 : 1;
        responses.Add(BridgeRig::Ms(arrived.value_or(deadline) - at));
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
         {MeasureChangeLatency, MeasureBridgeChurn, MeasureBlackout, MeasureFlood}) {
        try {
            measure(report);
        } catch (const std::exception& error) {
            std::cerr << "bridge row failed: " << error.what() << '\n';
            report.Row("bridge", std::string("failed: ") + error.what(), "-", Verdict::NotRun);
        }
    }
}

}  // namespace dimrix::bench
