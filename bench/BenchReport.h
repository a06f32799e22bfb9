#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dimrix::bench {

/// Whether a figure reached its goal.
enum class Verdict {
    Met,
    Missed,
    NotRun,  ///< it could not be taken; the figure says why
};

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

    static Verdict Below(double value, double goal) {
        return value < goal ? Verdict::Met : Verdict::Missed;
    }
    static Verdict AtMost(double value, double goal) {
        return value <= goal ? Verdict::Met : Verdict::Missed;
    }
    static std::string Fixed(double value, int decimals);

private:
    struct Line {
        std::string row;
        std::string figure;
        std::string goal;
        Verdict verdict;
    };

    [[nodiscard]] std::string InfoOf(std::string_view key) const;

    std::vector<Line> m_rows;
    std::vector<std::pair<std::string, double>> m_values;
    std::vector<std::pair<std::string, std::string>> m_info;
};

}  // namespace dimrix::bench
