#include "Samples.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace dimrix::bench {

double Samples::Percentile(double percent) const {
    if (m_values.empty()) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    std::vector<double> sorted = m_values;
    std::sort(sorted.begin(), sorted.end());
    const double rank = std::ceil(percent / kAllPercent * static_cast<double>(sorted.size()));
    const auto index = static_cast<std::size_t>(std::max(rank, 1.0)) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace dimrix::bench
