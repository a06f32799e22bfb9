#include "Machine.h"

#include <QSysInfo>
#include <QThread>
#include <fstream>

namespace dimrix::bench {

namespace {

std::string CpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0) {
            return line.substr(line.find(':') + 2);
        }
    }
    return "unknown processor";
}

}  // namespace

void Machine::Describe(BenchReport& report) {
    const std::string compiler = __VERSION__;  // GCC's does not name the compiler; Clang's does
    report.Info("cpu", CpuModel());
    report.Info("cores", std::to_string(QThread::idealThreadCount()));
    report.Info("kernel", (QSysInfo::kernelType() + ' ' + QSysInfo::kernelVersion()).toStdString());
    report.Info("compiler", (compiler.find("lang") == std::string::npos ? "GCC " : "") + compiler);
    report.Info("build_type", DIMRIX_BENCH_BUILD_TYPE);
    report.Info("qt", qVersion());
}

std::string Machine::LoadAverage() {
    std::string oneMinute;
    std::ifstream("/proc/loadavg") >> oneMinute;
    return oneMinute;
}

}  // namespace dimrix::bench
