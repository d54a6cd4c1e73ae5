// The fast evaluation of the wave editor's previews, written once for any vector width (one lane
// for the scalar fallback). Each instruction set's source file includes this after switching its
// target on, with a traits type V (see common/VectorLanesAvx512.h): V::D, V::lanes, V::set1,
// V::load, V::store, V::add, V::mul, V::cos, V::abs, V::max. Plain functions only and nothing from
// the standard library, so no inline function of a shared header is compiled for the target.
// (No include guard: every source file compiles its own copy for its own target.)

namespace vorel::wave::preview_detail {
namespace {

static_assert(previewPitchCount == 3, "pairBlocks keeps one running sum per tone in registers");

// s <- ((companion + base) * coefficient) + s for one tone, as the reference groups it, and the
// largest magnitude s reaches. The reference keeps the peak where |s| is NaN; so does V::max.
template <class V>
void addTerm(typename V::D both, double coefficient, typename V::D& sum, typename V::D& peak) {
    sum = V::add(V::mul(both, V::set1(coefficient)), sum);
    peak = V::max(V::abs(sum), peak);
}

template <class V>
void storeTone(typename V::D sum, typename V::D peak, double* sums, double* runningPeaks,
               std::size_t j0, std::size_t valid) {
    constexpr std::size_t lanes = static_cast<std::size_t>(V::lanes);
    if (valid == lanes) {
        V::store(sums + j0, sum);
        V::store(runningPeaks + j0, peak);
        return;
    }
    alignas(64) double sumLanes[lanes];
    alignas(64) double peakLanes[lanes];
    V::store(sumLanes, sum);
    V::store(peakLanes, peak);
    for (std::size_t l = 0; l < valid; ++l) {
        sums[j0 + l] = sumLanes[l];
        runningPeaks[j0 + l] = peakLanes[l];
    }
}

// Samples j0 .. j0 + lanes - 1 of every tone side by side, the pairs in the plan's order. A short
// last block repeats its last sample in the spare lanes (and stores only its own). All cosine
// pairs of a block are computed first: a call of the vector cosine may change every vector
// register, so the running sums, added afterwards, stay in registers only without calls between.
template <class V>
void pairBlocks(const PairPlan& plan, std::size_t begin, std::size_t end, const ToneOutput& out) {
    using D = typename V::D;
    constexpr std::size_t lanes = static_cast<std::size_t>(V::lanes);
    alignas(64) double pairValues[maxCosinePairs][lanes];
    for (std::size_t j0 = begin; j0 < end; j0 += lanes) {
        const std::size_t valid = end - j0 < lanes ? end - j0 : lanes;
        alignas(64) double index[lanes];
        for (std::size_t l = 0; l < lanes; ++l)
            index[l] = static_cast<double>(j0 + (l < valid ? l : valid - 1));
        const D j = V::load(index);
        for (int k = 0; k < plan.count; ++k) {
            const CosinePair& pair = plan.pairs[static_cast<std::size_t>(k)];
            V::store(pairValues[k], V::add(V::cos(V::mul(j, V::set1(pair.companionStep))),
                                           V::cos(V::mul(j, V::set1(pair.baseStep)))));
        }
        const D zero = V::set1(0.0);
        D sum0 = zero, sum1 = zero, sum2 = zero;
        D peak0 = zero, peak1 = zero, peak2 = zero;
        for (int k = 0; k < plan.count; ++k) {
            const CosinePair& pair = plan.pairs[static_cast<std::size_t>(k)];
            const D both = V::load(pairValues[k]);
            if (pair.tones & 1u)
                addTerm<V>(both, pair.coefficient[0], sum0, peak0);
            if (pair.tones & 2u)
                addTerm<V>(both, pair.coefficient[1], sum1, peak1);
            if (pair.tones & 4u)
                addTerm<V>(both, pair.coefficient[2], sum2, peak2);
        }
        storeTone<V>(sum0, peak0, out.sums[0], out.runningPeaks[0], j0, valid);
        storeTone<V>(sum1, peak1, out.sums[1], out.runningPeaks[1], j0, valid);
        storeTone<V>(sum2, peak2, out.sums[2], out.runningPeaks[2], j0, valid);
    }
}

} // namespace
} // namespace vorel::wave::preview_detail
