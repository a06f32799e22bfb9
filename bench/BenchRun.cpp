#include "BenchRun.h"

#include <exception>
#include <fstream>
#include <iostream>

#include "Machine.h"

namespace dimrix::bench {

BenchRun::BenchRun() {
    Machine::Describe(m_report);
    m_report.Info("load_before", Machine::LoadAverage());
}

void BenchRun::Measure(const std::string& group, void (*measure)(BenchReport&)) {
    std::cerr << "bench: " << group << "...\n";
    try {
        measure(m_report);
    } catch (const std::exception& error) {
        std::cerr << group << " failed: " << error.what() << '\n';
        m_report.Row(group, std::string("failed: ") + error.what(), "-", Verdict::NotRun);
    }
}

bool BenchRun::Finish(std::ostream& table, const std::string& jsonPath) {
    const auto elapsed = std::chrono::steady_clock::now() - m_started;
    m_report.Info(
        "seconds",
        std::to_string(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count()));
    m_report.Info("load_after", Machine::LoadAverage());
    m_report.PrintTable(table);
    std::ofstream json(jsonPath);
    m_report.WriteJson(json);
    json.close();
    if (!json) {
        std::cerr << "bench: could not write " << jsonPath << '\n';
        return false;
    }
    return true;
}

}  // namespace dimrix::bench
