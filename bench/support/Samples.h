#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace dimrix::bench {

/// A set of measurements of one quantity, and the order statistics the table quotes.
class Samples {
public:
    Samples() = default;
    explicit Samples(std::vector<double> values) : m_values(std::move(values)) {}

    void Add(double value) { m_values.push_back(value); }
    void Reserve(std::size_t count) { m_values.reserve(count); }
    [[nodiscard]] std::size_t Count() const { return m_values.size(); }
    [[nodiscard]] bool Empty() const { return m_values.empty(); }
    [[nodiscard]] const std::vector<double>& Values() const { return m_values; }

    /// Nearest-rank percentile, 0 < percent <= 100; NaN when empty.
    [[nodiscard]] double Percentile(double percent) const;
    [[nodiscard]] double Median() const { return Percentile(kMedianPercent); }
    [[nodiscard]] double Max() const;
    [[nodiscard]] double Min() const;

private:
    static constexpr double kMedianPercent = 50.0;

    std::vector<double> m_values;
};

}  // namespace dimrix::bench
