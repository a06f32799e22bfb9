// What happens when the panel produces faster than the line carries: all eight channels
// fade at once (80 bytes every 25 ms, 3200 bytes/s) into a line read at the 1920
// bytes/s that 19200 baud allows. The figures are the largest backlog, how old its
// oldest byte was then, and how late the last frame arrived; and whether every byte
// arrived, in order. A measurement for the README, not a goal.

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "protocol/Frames.h"
#include "support/FigureReport.h"
#include "support/Samples.h"
#include "window/WindowRig.h"
#include "wire/TimedPort.h"
#include "wire/WireReader.h"

namespace dimrix::bench {
namespace {

using Clock = WireReader::Clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kRuns = 3;
// 19200 baud, one start and one stop bit per octet.
constexpr double kLineBytesPerSecond = 1920.0;
constexpr int kFadeSteps = protocol::kMaxLevel - protocol::kMinLevel;
constexpr std::size_t kFadeBytes =
    static_cast<std::size_t>(kFadeSteps * protocol::kChannelCount) * protocol::kAddressFrameSize;
// The fade takes 2.5 s and the line then needs about 1.7 s more to catch up.
constexpr std::chrono::milliseconds kRunTimeout{12000};

struct BacklogFigures {
    double largestBacklog = 0.0;  // bytes handed to the port but not yet off the line
    double ageAtLargestMs = 0.0;  // how long the oldest of them had waited by then
    double worstDelayMs = 0.0;    // longest any byte waited
    double drainMs = 0.0;         // from the last write to the last byte off the line
    bool intact = false;          // every byte arrived, in order, nothing more
};

BacklogFigures FadeIntoSlowLine() {
    PseudoTerminal pty(PseudoTerminal::Slave::Kept);
    WireReader reader(pty, kFadeBytes, kLineBytesPerSecond);
    WriteLog writes;
    WindowRig rig(std::make_unique<TimedPort>(WindowRig::PortOn(pty), writes, kFadeBytes));
    rig.Connect();
    reader.Start();
    for (int channel = 0; channel < protocol::kChannelCount; ++channel) {
        rig.Click("Command9_" + std::to_string(channel));
    }
    const bool complete = rig.RunUntil([&] { return reader.Count() >= kFadeBytes; }, kRunTimeout);
    rig.Close();
    reader.Stop();
    if (!rig.Reports().empty()) {
        throw std::runtime_error("the panel reported a failure: " + rig.Reports().front());
    }

    BacklogFigures figures;
    const std::size_t arrived = reader.Count();
    figures.intact = complete && writes.bytes.size() == kFadeBytes && reader.Overflow() == 0;
    for (std::size_t index = 0; figures.intact && index < arrived; ++index) {
        figures.intact = reader.Byte(index) == writes.bytes[index];
    }
    // Just before byte i is taken off the line, everything written by then but not yet
    // taken, i onwards, is the backlog, and byte i is its oldest.
    std::size_t written = 0;
    for (std::size_t index = 0; index < std::min(arrived, writes.times.size()); ++index) {
        const Clock::time_point taken = reader.Time(index);
        while (written < writes.times.size() && writes.times[written] <= taken) {
            ++written;
        }
        const double backlog = static_cast<double>(written - std::min(written, index));
        const double age = Milliseconds(taken - writes.times[index]).count();
        if (backlog > figures.largestBacklog) {
            figures.largestBacklog = backlog;
            figures.ageAtLargestMs = age;
        }
        figures.worstDelayMs = std::max(figures.worstDelayMs, age);
    }
    if (arrived > 0 && !writes.times.empty()) {
        figures.drainMs = Milliseconds(reader.Time(arrived - 1) - writes.times.back()).count();
    }
    return figures;
}

void Report(FigureReport& report) {
    Samples largest;
    Samples ageAtLargest;
    Samples worstDelay;
    Samples drain;
    bool intact = true;
    for (int run = 0; run < kRuns; ++run) {
        const BacklogFigures figures = FadeIntoSlowLine();
        largest.Add(figures.largestBacklog);
        ageAtLargest.Add(figures.ageAtLargestMs);
        worstDelay.Add(figures.worstDelayMs);
        drain.Add(figures.drainMs);
        intact = intact && figures.intact;
        std::cerr << "run " << run << ": largest backlog " << figures.largestBacklog
                  << " bytes, oldest " << figures.ageAtLargestMs << " ms old; worst delay "
                  << figures.worstDelayMs << " ms; drained " << figures.drainMs
                  << " ms after the last write; " << (figures.intact ? "intact" : "DAMAGED")
                  << '\n';
    }
    const auto ms = [](double value) { return FigureReport::Fixed(value, 0); };
    report.Row("backlog, 8 channels fading into 1920 bytes/s",
               FigureReport::Fixed(largest.Median(), 0) + " bytes at most, oldest " +
                   ms(ageAtLargest.Median()) + " ms old then; last byte " + ms(drain.Median()) +
                   " ms after the fade's last write; " +
                   (intact ? "all " + std::to_string(kFadeBytes) + " bytes arrived in order"
                           : "BYTES LOST OR REORDERED"),
               "measurement; every byte in order", intact ? Verdict::Measured : Verdict::Missed);
    report.Value("backlog.largest_bytes", largest.Median());
    report.Value("backlog.age_at_largest_ms", ageAtLargest.Median());
    report.Value("backlog.worst_delay_ms", worstDelay.Median());
    report.Value("backlog.drain_after_last_write_ms", drain.Median());
    report.Value("backlog.bytes", static_cast<double>(kFadeBytes));
    report.Value("backlog.intact", intact ? 1.0 : 0.0);
}

}  // namespace
}  // namespace dimrix::bench

int main(int argc, char** argv) {
    dimrix::bench::WindowRig::UseOffscreenPlatform();
    const QApplication app(argc, argv);
    dimrix::bench::FigureReport report(std::cout);
    try {
        dimrix::bench::Report(report);
    } catch (const std::exception& error) {
        std::cerr << "backlog bench failed: " << error.what() << '\n';
        report.Row("backlog under overload", std::string("failed: ") + error.what(),
                   "measurement; every byte in order", dimrix::bench::Verdict::NotRun);
    }
    return 0;
}
