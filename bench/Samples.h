#pragma once

#include <cstddef>
#include <vector>

namespace dimrix::bench {

/// Measurements of one quantity, and the order statistics the table quotes.
class Samples {
public:
    void Add(double value) { m_values.push_back(value); }
    void Add(const Samples& more) {
        m_values.insert(m_values.end(), more.m_values.begin(), more.m_values.end());
    }
    [[nodiscard]] std::size_t Count() const { return m_values.size(); }
    [[nodiscard]] bool Empty() const { return m_values.empty(); }
    [[nodiscard]] const std::vector<double>& Values() const { return m_values; }

    /// Nearest rank, 0 < percent <= 100; NaN when empty.
    [[nodiscard]] double Percentile(double percent) const;
    [[nodiscard]] double Median() const { return Percentile(kMedianPercent); }
    [[nodiscard]] double P99() const { return Percentile(kP99Percent); }
    [[nodiscard]] double Min() const { return Percentile(kLowestPercent); }
    [[nodiscard]] double Max() const { return Percentile(kAllPercent); }

private:
    static constexpr double kLowestPercent = 1e-9;
    static constexpr double kMedianPercent = 50.0;
    static constexpr double kP99Percent = 99.0;
    static constexpr double kAllPercent = 100.0;

    std::vector<double> m_values;
};

}  // namespace dimrix::bench
