#pragma once

// Exact peaks on the fast paths. Where a peak scales a whole sound, a last-bit difference in the
// peak moves every sample's scale, and a sample at the peak may truncate one step lower than in
// the reference. So the fast paths evaluate the samples near their peak again as the reference
// does, and take the peak, and those samples, from that evaluation.
//
// Why the reference's peak sample is always among them: let P be the reference's peak, reached at
// sample r, and d bound how far the fast value of any sample lies from its reference value. The
// fast peak F is at most P + d and the fast value at r at least P - d, so |fast[r]| >= F - 2d:
// sample r lies in the band as soon as 2d <= nearPeakBand * F. The fast paths differ from the
// reference only through the last bits of glibc's vector sine, cosine and exponential (within 4
// units in the last place of each result), so d is a tiny fraction of the sum of the magnitudes
// of a sample's terms; each fast path shows how tiny, and where its terms stand against its peak.

#include <cstddef>
#include <span>
#include <vector>

namespace vorel {

// Relative distance below the fast peak within which a sample is evaluated again.
inline constexpr double nearPeakBand = 1e-9;

// The magnitude from which a sample counts as near the fast peak `peak`: nearPeakBand below it,
// and `slack` lower still. A peak of +inf counts as the largest finite double, so that values
// which overflow in one evaluation only are near. The slack bounds, in absolute terms, what
// roundings of subnormal numbers can add to a sample's difference, where relative bounds end.
double nearPeakFloor(double peak, double slack = 0.0);

// The largest |x[i]| for i < n (0.0 for none). NaN is passed over, as the reference's peak
// passes it over.
double largestMagnitude(const double* x, std::size_t n);

// Appends the index of every value whose magnitude reaches `floor`, in increasing order. Values
// are read only in the blocks (block b: indexes b * blockLength ..) whose entry in blockPeaks
// reaches the floor: blockPeaks[b] is the block's largest magnitude.
void collectNearPeak(std::span<const double> values, std::span<const double> blockPeaks,
                     std::size_t blockLength, double floor, std::vector<std::size_t>& near);

} // namespace vorel
