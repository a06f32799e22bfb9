// The bench: every figure of the performance table, measured here and printed as one
// Markdown table beside its goal, and written to a JSON file. Detail goes to stderr.
// Usage: dimrix_bench JSON-FILE [GROUP...]    GROUP: latency fades startup bridge (default all)

#include <QApplication>
#include <chrono>
#include <fstream>
#include <iostream>
#include <set>
#include <string>

#include "BenchReport.h"
#include "Machine.h"
#include "Rows.h"

int main(int argc, char** argv) {
    using namespace dimrix::bench;
    if (argc < 2) {
        std::cerr << "usage: dimrix_bench JSON-FILE [latency|fades|startup|bridge]...\n";
        return 2;
    }
    const std::set<std::string> wanted(argv + 2, argv + argc);
    // The rig's window draws into memory; what the start-up rows start goes to the display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QApplication app(argc, argv);
    qputenv("QT_QPA_PLATFORM", "xcb");
    BenchReport report;
    Machine::Describe(report);
    report.Info("load_before", Machine::LoadAverage());
    const auto started = std::chrono::steady_clock::now();
    const std::pair<const char*, void (*)(BenchReport&)> groups[] = {
        {"latency", MeasureLatency},
        {"fades", MeasureFades},
        {"startup", MeasureStartup},
        {"bridge", MeasureBridge}};
    for (const auto& [name, measure] : groups) {
        if (!wanted.empty() && wanted.count(name) == 0) {
            continue;
        }
        std::cerr << "bench: " << name << "...\n";
        try {
            measure(report);
        } catch (const std::exception& error) {
            std::cerr << name << " failed: " << error.what() << '\n';
            report.Row(name, std::string("failed: ") + error.what(), "-", Verdict::NotRun);
        }
    }
    const auto elapsed = std::chrono::steady_clock::now() - started;
    report.Info("seconds",
                std::to_string(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count()));
    report.Info("load_after", Machine::LoadAverage());
    report.PrintTable(std::cout);
    std::ofstream json(argv[1]);
    report.WriteJson(json);
    return 0;
}
