// The bench: every figure of the performance table, measured on this machine and
// printed as one table, each figure beside its goal; the same figures go to a JSON file.
// Goals are reported, never enforced: a missed goal shows as NO and the run succeeds.
// Each group's detail goes to standard error.
//
// Usage: dimrix_bench [--json FILE] [GROUP...]    GROUP: latency fades startup (all)

#include <sched.h>
#include <sys/utsname.h>

#include <QApplication>
#include <QtGlobal>
#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <string>

#include "BenchReport.h"
#include "Rows.h"

namespace {

using dimrix::bench::BenchReport;

std::string FirstLineWith(const std::string& path, const std::string& key) {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key, 0) == 0) {
            return line.substr(line.find_first_not_of(" \t:", key.size()));
        }
    }
    return "unknown";
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string oneMinute;
    in >> oneMinute;
    return oneMinute;
}

void DescribeMachine(BenchReport& report) {
    report.Info("cpu", FirstLineWith("/proc/cpuinfo", "model name"));
    // What nproc says: the cores this process may run on.
    cpu_set_t set;
    CPU_ZERO(&set);
    report.Info("cores", ::sched_getaffinity(0, sizeof(set), &set) == 0
                             ? std::to_string(CPU_COUNT(&set))
                             : "?");
    utsname name{};
    report.Info("kernel", ::uname(&name) == 0
                              ? std::string(name.sysname) + ' ' + name.release + ' ' + name.machine
                              : "unknown");
#ifdef __clang__
    // GCC's version string does not name the compiler; Clang's does.
    const std::string version = __VERSION__;
    report.Info("compiler", (version.find("lang") == std::string::npos ? "GCC " : "") + version);
#else
    report.Info("compiler", std::string("GCC ") + __VERSION__);
#endif
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
    // The window draws into memory; the programs the start-up rows start choose their
    // platform themselves.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    BenchReport report;
    DescribeMachine(report);
    report.Info("load_before", LoadAverage());
    const auto started = std::chrono::steady_clock::now();

    const StartupPrograms programs{DIMRIX_PROGRAM_PATH, DIMRIX_FLOOR_PATH};
    const struct {
        const char* name;
        std::function<void()> measure;
    } groups[] = {
        {"latency", [&] { MeasureLatency(report); }},
        {"fades", [&] { MeasureFades(report); }},
        {"startup", [&] { MeasureStartup(report, programs); }},
    };
    for (const auto& group : groups) {
        if (!wanted.empty() && wanted.count(group.name) == 0) {
            continue;
        }
        std::cerr << "bench: " << group.name << "...\n";
        try {
            group.measure();
        } catch (const std::exception& error) {
            std::cerr << group.name << " failed: " << error.what() << '\n';
            report.Row(group.name, std::string("failed: ") + error.what(), "-", Verdict::NotRun);
        }
    }

    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::steady_clock::now() - started);
    report.Info("seconds", std::to_string(seconds.count()));
    report.Info("load_after", LoadAverage());
    report.PrintTable(std::cout);
    if (!json.empty()) {
        std::ofstream out(json);
        report.WriteJson(out);
        std::cout << "\nFigures written to " << json << ".\n";
    }
    return 0;
}
