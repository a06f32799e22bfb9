#include "Samples.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "BenchReport.h"

namespace dimrix::bench {

double Samples::Percentile(double percent) const {
    if (m_values.empty()) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    std::vector<double> sorted = m_values;
    std::sort(sorted.begin(), sorted.end());
    const double rank = std::ceil(percent / 100.0 * static_cast<double>(sorted.size()));
    const auto index = static_cast<std::size_t>(std::max(rank, 1.0)) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}

std::string Samples::Spread(int decimals) const {
    return "p50 " + Fixed(Median(), decimals) + " / p99 " + Fixed(P99(), decimals) + " / max " +
           Fixed(Max(), decimals) + " ms";
}

}  // namespace dimrix::bench
