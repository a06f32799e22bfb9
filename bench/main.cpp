// The bench: every figure of the performance table, measured here and printed as one
// Markdown table beside its goal, and written to a JSON file. Detail goes to stderr.
// Usage: dimrix_bench JSON-FILE [GROUP...]    GROUP: latency fades startup bridge console (default
// all)

#include <QApplication>
#include <iostream>
#include <set>
#include <string>

#include "BenchReport.h"
#include "BenchRun.h"
#include "Rows.h"

int main(int argc, char** argv) {
    using namespace dimrix::bench;
    if (argc < 2) {
        std::cerr << "usage: dimrix_bench JSON-FILE [latency|fades|startup|bridge|console]...\n";
        return 2;
    }
    const std::set<std::string> wanted(argv + 2, argv + argc);
    // The rig's window draws into memory; what the start-up rows start goes to the display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QApplication app(argc, argv);
    qputenv("QT_QPA_PLATFORM", "xcb");
    BenchRun run;
    const std::pair<const char*, void (*)(BenchReport&)> groups[] = {{"latency", MeasureLatency},
                                                                     {"fades", MeasureFades},
                                                                     {"startup", MeasureStartup},
                                                                     {"bridge", MeasureBridge},
                                                                     {"console", MeasureConsole}};
    for (const auto& [name, measure] : groups) {
        if (wanted.empty() || wanted.count(name) != 0) {
            run.Measure(name, measure);
        }
    }
    return run.Finish(std::cout, argv[1]) ? 0 : 1;
}
