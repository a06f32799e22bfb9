#include "support/FigureReport.h"

#include <cmath>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace dimrix::bench {

namespace {

constexpr char kSeparator = '\t';

const char* VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Met:
            return "yes";
        case Verdict::Missed:
            return "NO";
        case Verdict::Measured:
            return "-";
        case Verdict::NotRun:
            return "not run";
    }
    return "?";
}

}  // namespace

void FigureReport::Row(std::string_view row, std::string_view figure, std::string_view goal,
                       Verdict verdict) {
    m_out << "row" << kSeparator << Clean(row) << kSeparator << Clean(figure) << kSeparator
          << Clean(goal) << kSeparator << VerdictText(verdict) << std::endl;
}

void FigureReport::Value(std::string_view key, double value) {
    // JSON has no NaN or infinity; a figure that could not be taken is null.
    const std::string text = std::isfinite(value) ? Fixed(value, 6) : "null";
    m_out << "value" << kSeparator << Clean(key) << kSeparator << text << std::endl;
}

void FigureReport::Info(std::string_view key, std::string_view text) {
    m_out << "info" << kSeparator << Clean(key) << kSeparator << Clean(text) << std::endl;
}

std::string FigureReport::Fixed(double value, int decimals) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

// The records are split on tabs and lines, and end up inside JSON strings.
std::string FigureReport::Clean(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    for (const char c : text) {
        if (c == kSeparator || c == '\n' || c == '\r') {
            clean += ' ';
        } else if (c == '"' || c == '\\') {
            clean += '\'';
        } else {
            clean += c;
        }
    }
    return clean;
}

}  // namespace dimrix::bench
