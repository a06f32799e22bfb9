#pragma once

#include <string>
#include <vector>

namespace dimrix::bench {

/// Measurements of one quantity, and the order statistics the table quotes.
class Samples {
public:
    void Add(double value) { m_values.push_back(value); }
    [[nodiscard]] std::size_t Count() const { return m_values.size(); }
    [[nodiscard]] bool Empty() const { return m_values.empty(); }
    [[nodiscard]] const std::vector<double>& Values() const { return m_values; }

    /// Nearest rank, 0 < percent <= 100; NaN when empty.
    [[nodiscard]] double Percentile(double percent) const;
    [[nodiscard]] double Median() const { return Percentile(50.0); }
    [[nodiscard]] double P99() const { return Percentile(99.0); }
    [[nodiscard]] double Min() const { return Percentile(1e-9); }
    [[nodiscard]] double Max() const { return Percentile(100.0); }
    /// "p50 a / p99 b / max c ms".
    [[nodiscard]] std::string Spread(int decimals = 1) const;

private:
    std::vector<double> m_values;
};

}  // namespace dimrix::bench
