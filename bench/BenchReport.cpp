#include "BenchReport.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace dimrix::bench {

namespace {

const char* VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Met:
            return "yes";
        case Verdict::Missed:
            return "NO";
        case Verdict::NotRun:
            return "not run";
    }
    return "?";
}

std::string Quoted(std::string_view text) {
    std::ostringstream out;
    out << std::quoted(text);
    std::string quoted = out.str();
    // A figure has no control characters; a stray one must not break the file.
    std::replace_if(
        quoted.begin(), quoted.end(), [](char c) { return c == '\n' || c == '\t'; }, ' ');
    return quoted;
}

}  // namespace

void BenchReport::Row(std::string_view row, std::string_view figure, std::string_view goal,
                      Verdict verdict) {
    m_rows.push_back({std::string(row), std::string(figure), std::string(goal), verdict});
}

void BenchReport::Value(std::string_view key, double value) {
    m_values.emplace_back(std::string(key), value);
}

void BenchReport::Info(std::string_view key, std::string_view text) {
    m_info.emplace_back(std::string(key), std::string(text));
}

std::string BenchReport::Fixed(double value, int decimals) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

std::string BenchReport::InfoOf(std::string_view key) const {
    for (const auto& [name, text] : m_info) {
        if (name == key) {
            return text;
        }
    }
    return "?";
}

// Markdown, so that the table can go into docs/performance.md as it is printed.
void BenchReport::PrintTable(std::ostream& out) const {
    out << "Machine: " << InfoOf("cpu") << ", " << InfoOf("cores") << " cores, " << InfoOf("kernel")
        << "\nQt " << InfoOf("qt") << ", " << InfoOf("compiler") << ", " << InfoOf("build_type")
        << " build\nBench time " << InfoOf("seconds") << " s; load average "
        << InfoOf("load_before") << " / " << InfoOf("load_after")
        << " (before / after).\n\n| What | Figure | Goal | Met |\n|---|---|---|---|\n";
    for (const Line& line : m_rows) {
        out << "| " << line.row << " | " << line.figure << " | " << line.goal << " | "
            << VerdictText(line.verdict) << " |\n";
    }
}

void BenchReport::WriteJson(std::ostream& out) const {
    out << "{\n  \"info\": {";
    const char* separator = "\n";
    for (const auto& [key, text] : m_info) {
        out << separator << "    " << Quoted(key) << ": " << Quoted(text);
        separator = ",\n";
    }
    out << "\n  },\n  \"rows\": [";
    separator = "\n";
    for (const Line& line : m_rows) {
        out << separator << "    {\"row\": " << Quoted(line.row)
            << ", \"figure\": " << Quoted(line.figure) << ", \"goal\": " << Quoted(line.goal)
            << ", \"met\": " << Quoted(VerdictText(line.verdict)) << '}';
        separator = ",\n";
    }
    out << "\n  ],\n  \"values\": {";
    separator = "\n";
    for (const auto& [key, value] : m_values) {
        // JSON has no NaN or infinity: a figure that could not be taken is null.
        out << separator << "    " << Quoted(key) << ": "
            << (std::isfinite(value) ? Fixed(value, 6) : "null");
        separator = ",\n";
    }
    out << "\n  }\n}\n";
}

}  // namespace dimrix::bench
