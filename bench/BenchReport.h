#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dimrix::bench {

enum class Verdict { Met, Missed, NotRun };

inline Verdict MetIf(bool met) {
    return met ? Verdict::Met : Verdict::Missed;
}

/// `value` with `decimals` digits after the point, as the table shows figures.
std::string Fixed(double value, int decimals = 1);

/// Every figure of one bench run: the table printed at the end, and the same figures,
/// with the machine and the load it ran under, as JSON.
class BenchReport {
public:
    void Row(std::string_view row, std::string_view figure, std::string_view goal, Verdict verdict);
    /// A number for the JSON only, under a dotted key ("latency.p99_ms").
    void Value(std::string_view key, double value);
    /// A fact about the machine or the run ("qt": "6.4.2").
    void Info(std::string_view key, std::string_view text);

    void PrintTable(std::ostream& out) const;
    void WriteJson(std::ostream& out) const;

private:
    struct Line {
        std::string row;
        std::string figure;
        std::string goal;
        Verdict verdict;
    };

    std::vector<Line> m_rows;
    std::vector<std::pair<std::string, double>> m_values;
    std::map<std::string, std::string, std::less<>> m_info;
};

}  // namespace dimrix::bench
