#pragma once

#include <cmath>
#include <concepts>
#include <limits>

namespace vorel {

// The one way a double becomes an integer (samples, pixel heights, shown digits): truncation
// toward zero, NaN gives 0, and values beyond the target type are clamped to its range. Defined
// for every input, unlike a plain cast.
template <std::integral Int> constexpr Int truncateTo(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double lowest = static_cast<double>(std::numeric_limits<Int>::lowest());
    // The largest value of a 64-bit type is not a double; 2^63 (its successor) is, and is the
    // first value that no longer fits.
    constexpr double beyondMax = static_cast<double>(std::numeric_limits<Int>::max()) + 1.0;
    if (value <= lowest)
        return std::numeric_limits<Int>::lowest();
    if (value >= beyondMax)
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(value);
}

} // namespace vorel
