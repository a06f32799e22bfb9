// The bench: every figure of the performance table, measured here and printed as one
// Markdown table beside its goal, and written to a JSON file. Detail goes to stderr.
// Usage: dimrix_bench JSON-FILE [GROUP...]    GROUP: latency fades startup bridge (default all)

#include <QApplication>
#include <QSysInfo>
#include <QThread>
#include <chrono>
#include <fstream>
#include <iostream>
#include <set>
#include <string>

#include "BenchReport.h"
#include "Rows.h"

namespace {

using dimrix::bench::BenchReport;

std::string CpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0) {
            return line.substr(line.find(':') + 2);
        }
    }
    return "unknown processor";
}

// Other work on the machine shows in every timing; the table says how busy it was.
std::string LoadAverage() {
    std::string oneMinute;
    std::ifstream("/proc/loadavg") >> oneMinute;
    return oneMinute;
}

void DescribeMachine(BenchReport& report) {
    const std::string compiler = __VERSION__;  // GCC's does not name the compiler; Clang's does
    report.Info("cpu", CpuModel());
    report.Info("cores", std::to_string(QThread::idealThreadCount()));
    report.Info("kernel", (QSysInfo::kernelType() + ' ' + QSysInfo::kernelVersion()).toStdString());
    report.Info("compiler", (compiler.find("lang") == std::string::npos ? "GCC " : "") + compiler);
    report.Info("build_type", DIMRIX_BENCH_BUILD_TYPE);
    report.Info("qt", qVersion());
}

}  // namespace

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
    DescribeMachine(report);
    report.Info("load_before", LoadAverage());
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
    report.Info("load_after", LoadAverage());
    report.PrintTable(std::cout);
    std::ofstream json(argv[1]);
    report.WriteJson(json);
    return 0;
}
