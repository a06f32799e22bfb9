#pragma once

/// @file
/// How every bench program hands its figures to scripts/bench.sh: one tab-separated
/// record per line on standard output. Anything else a program prints goes to standard
/// error and ends up in its log.

#include <iosfwd>
#include <string>
#include <string_view>

namespace dimrix::bench {

/// Whether a figure reached its goal.
enum class Verdict {
    Met,
    Missed,
    Measured,  ///< a figure with no goal, reported for the README
    NotRun,    ///< the part of the program it needs is not built
};

/// Writes table rows, JSON values and machine facts for scripts/bench.sh.
class FigureReport {
public:
    explicit FigureReport(std::ostream& out) : m_out(out) {}

    /// One line of the table: what was measured, the figure, the goal beside it.
    void Row(std::string_view row, std::string_view figure, std::string_view goal, Verdict verdict);
    /// One number for bench.json, under a dotted key ("latency.p99_ms").
    void Value(std::string_view key, double value);
    /// One fact about the machine or the build ("qt", "6.4.2").
    void Info(std::string_view key, std::string_view text);

    /// Met when value < goal.
    static Verdict Below(double value, double goal) {
        return value < goal ? Verdict::Met : Verdict::Missed;
    }
    /// value with a fixed number of decimals.
    static std::string Fixed(double value, int decimals);

private:
    static std::string Clean(std::string_view text);

    std::ostream& m_out;
};

}  // namespace dimrix::bench
