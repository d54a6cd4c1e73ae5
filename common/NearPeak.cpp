#include "common/NearPeak.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vorel {

double nearPeakFloor(double peak, double slack) {
    return std::min(peak, std::numeric_limits<double>::max()) * (1 - nearPeakBand) - slack;
}

// Four running maxima side by side instead of one long chain of dependent comparisons; the
// largest is the largest in any order.
double largestMagnitude(const double* x, std::size_t n) {
    double m0 = 0.0, m1 = 0.0, m2 = 0.0, m3 = 0.0;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        m0 = std::max(m0, std::abs(x[i]));
        m1 = std::max(m1, std::abs(x[i + 1]));
        m2 = std::max(m2, std::abs(x[i + 2]));
        m3 = std::max(m3, std::abs(x[i + 3]));
    }
    for (; i < n; ++i)
        m0 = std::max(m0, std::abs(x[i]));
    return std::max(std::max(m0, m1), std::max(m2, m3));
}

void collectNearPeak(std::span<const double> values, std::span<const double> blockPeaks,
                     std::size_t blockLength, double floor, std::vector<std::size_t>& near) {
    for (std::size_t block = 0; block < blockPeaks.size(); ++block) {
        if (!(blockPeaks[block] >= floor))
            continue;
        const std::size_t end = std::min(values.size(), (block + 1) * blockLength);
        for (std::size_t i = block * blockLength; i < end; ++i)
            if (std::abs(values[i]) >= floor)
                near.push_back(i);
    }
}

} // namespace vorel
