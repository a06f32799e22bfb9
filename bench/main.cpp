// The bench: every figure of the performance table, measured on this machine and
// printed as one table, each figure beside its goal; the same figures go to a JSON file.
// Goals are reported, never enforced: a missed goal shows as NO and the run succeeds.
// Each group's detail goes to standard error.
//
// Usage: dimrix_bench [--json FILE] [GROUP...]    GROUP: latency fades startup (all)

#include <sched.h>

#include <QApplication>
#include <QSysInfo>
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

// Other work on the machine shows up in every timing; the table says how busy it was.
std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string oneMinute;
    in >> oneMinute;
    return oneMinute;
}

void DescribeMachine(BenchReport& report) {
    report.Info("cpu", CpuModel());
    // What nproc says: the cores this process may run on.
    cpu_set_t set;
    CPU_ZERO(&set);
    ::sched_getaffinity(0, sizeof(set), &set);
    report.Info("cores", std::to_string(CPU_COUNT(&set)));
    report.Info("kernel", (QSysInfo::kernelType() + ' ' + QSysInfo::kernelVersion() + ' ' +
                           QSysInfo::currentCpuArchitecture())
                              .toStdString());
    // GCC's version string does not name the compiler; Clang's does.
    const std::string version = __VERSION__;
    report.Info("compiler", (version.find("lang") == std::string::npos ? "GCC " : "") + version);
    report.Info("build_type", DIMRIX_BENCH_BUILD_TYPE);
    report.Info("qt", std::string(qVersion()) + " (built against " QT_VERSION_STR ")");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace dimrix::bench;
    std::string json;
    std::set<std::string> wanted;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument == "--json" && index + 1 < argc) {
            json = argv[++index];
        } else {
            wanted.insert(argument);
        }
    }
    // The window draws into memory; what the start-up rows start goes to the X display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QApplication app(argc, argv);
    BenchReport report;
    DescribeMachine(report);
    report.Info("load_before", LoadAverage());
    const auto started = std::chrono::steady_clock::now();
    const std::pair<const char*, void (*)(BenchReport&)> groups[] = {
        {"latency", MeasureLatency}, {"fades", MeasureFades}, {"startup", MeasureStartup}};
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
    if (!json.empty()) {
        std::ofstream out(json);
        report.WriteJson(out);
    }
    return 0;
}
