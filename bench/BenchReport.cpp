#include "BenchReport.h"

#include <cmath>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace dimrix::bench {

namespace {

const char* VerdictText(Verdict verdict) {
    constexpr const char* kTexts[] = {"yes", "NO", "not run"};
    return kTexts[static_cast<int>(verdict)];
}

std::string Quoted(std::string_view text) {
    std::ostringstream out;
    out << std::quoted(text);
    return out.str();
}

}  // namespace

std::string Fixed(double value, int decimals) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

void BenchReport::Row(std::string_view row, std::string_view figure, std::string_view goal,
                      Verdict verdict) {
    m_rows.push_back({std::string(row), std::string(figure), std::string(goal), verdict});
}

void BenchReport::Value(std::string_view key, double value) {
    m_values.emplace_back(std::string(key), value);
}

void BenchReport::Info(std::string_view key, std::string_view text) {
    m_info[std::string(key)] = text;
}

// Markdown, so that the table can go into docs/performance.md as it is printed.
void BenchReport::PrintTable(std::ostream& out) const {
    auto info = m_info;  // a fact never noted prints empty
    out << "Machine: " << info["cpu"] << ", " << info["cores"] << " cores, " << info["kernel"]
        << "\nQt " << info["qt"] << ", " << info["compiler"] << ", " << info["build_type"]
        << " build\nBench time " << info["seconds"] << " s; load average " << info["load_before"]
        << " / " << info["load_after"]
        << " (before / after).\n\n| What | Figure | Goal | Met |\n|---|---|---|---|\n";
    for (const Line& line : m_rows) {
        out << "| " << line.row << " | " << line.figure << " | " << line.goal << " | "
            << VerdictText(line.verdict) << " |\n";
    }
}

void BenchReport::WriteJson(std::ostream& out) const {
    const char* separator = "\n    ";
    out << "{\n  \"info\": {";
    for (const auto& [key, text] : m_info) {
        out << std::exchange(separator, ",\n    ") << Quoted(key) << ": " << Quoted(text);
    }
    out << "\n  },\n  \"rows\": [";
    separator = "\n    ";
    for (const Line& line : m_rows) {
        out << std::exchange(separator, ",\n    ") << "{\"row\": " << Quoted(line.row)
            << ", \"figure\": " << Quoted(line.figure) << ", \"goal\": " << Quoted(line.goal)
            << ", \"met\": " << Quoted(VerdictText(line.verdict)) << '}';
    }
    out << "\n  ],\n  \"values\": {";
    separator = "\n    ";
    for (const auto& [key, value] : m_values) {
        // JSON has no NaN: a figure that could not be taken is null.
        out << std::exchange(separator, ",\n    ") << Quoted(key) << ": "
            << (std::isfinite(value) ? Fixed(value, 6) : "null");
    }
    out << "\n  }\n}\n";
}

}  // namespace dimrix::bench
