// Where the figures were taken: the processor, the cores this process may use, the
// kernel, the compiler and build type, and the Qt version loaded at run time.

#include <sched.h>
#include <sys/utsname.h>

#include <fstream>
#include <iostream>
#include <string>

#include "support/FigureReport.h"

#ifdef DIMRIX_BENCH_WITH_QT
#include <QtGlobal>
#endif

namespace {

std::string CpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    const std::string key = "model name";
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind(key, 0) == 0) {
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos) {
                return line.substr(line.find_first_not_of(' ', colon + 1));
            }
        }
    }
    return "unknown processor";
}

// What nproc says: the cores this process may run on.
int UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof(set), &set) != 0) {
        return 0;
    }
    return CPU_COUNT(&set);
}

std::string Kernel() {
    utsname name{};
    if (::uname(&name) != 0) {
        return "unknown kernel";
    }
    return std::string(name.sysname) + ' ' + name.release + ' ' + name.machine;
}

}  // namespace

int main() {
    dimrix::bench::FigureReport report(std::cout);
    report.Info("cpu", CpuModel());
    report.Info("cores", std::to_string(UsableCores()));
    report.Info("kernel", Kernel());
#ifdef __clang__
    report.Info("compiler", __VERSION__);
#else
    report.Info("compiler", std::string("GCC ") + __VERSION__);
#endif
    report.Info("build_type", DIMRIX_BENCH_BUILD_TYPE);
#ifdef DIMRIX_BENCH_WITH_QT
    report.Info("qt", qVersion());
    report.Info("qt_built", QT_VERSION_STR);
#else
    report.Info("qt", "not built");
    report.Info("qt_built", "-");
#endif
    return 0;
}
