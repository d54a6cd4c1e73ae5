#pragma once

// Pieces the scalar and the vector fast evaluations of the wave editor's previews share. Included
// only by the preview source files.

#include "wave_editor/Preview.h"

#include <array>
#include <cstddef>

namespace vorel::wave::preview_detail {

// The harmonics of the three tones together (100 + 45 + 22): no wave needs more cosine pairs.
inline constexpr int maxCosinePairs = 167;

// A pair of cosines the fast evaluation computes for every sample j,
// cos(j * companionStep) + cos(j * baseStep), and the tones that add it: tone t adds it, times
// coefficient[t], where bit t of `tones` is set.
struct CosinePair {
    double companionStep = 0.0;
    double baseStep = 0.0;
    unsigned tones = 0;
    std::array<double, previewPitchCount> coefficient{};
};

// The cosine pairs of one wave in the order they are computed. Each tone meets its harmonics in
// increasing order, so it adds its terms in the reference's order.
struct PairPlan {
    std::array<CosinePair, maxCosinePairs> pairs{};
    int count = 0;
};

// Where the samples go, per tone and indexed by sample: the running sum after the last harmonic,
// and the largest magnitude the running sum reached.
struct ToneOutput {
    std::array<double*, previewPitchCount> sums{};
    std::array<double*, previewPitchCount> runningPeaks{};
};

// Samples [begin, end) of every tone of the plan, 8 (AVX-512) or 4 (AVX2) at a time (defined only
// where the build has them).
void pairSumsAvx512(const PairPlan& plan, std::size_t begin, std::size_t end,
                    const ToneOutput& out);
void pairSumsAvx2(const PairPlan& plan, std::size_t begin, std::size_t end, const ToneOutput& out);

} // namespace vorel::wave::preview_detail
