// The vector evaluation of the oscillators, written once for any vector width. Each instruction
// set's source file includes this after switching its target on, with a traits type V:
//   V::D, V::lanes, V::set1, V::load, V::store, V::add, V::mul, V::div, V::sin, V::cos, V::exp,
//   V::greater(a, b), V::atLeast(a, b), V::within(a, lo, hi) (lane bit masks),
//   V::keep(a, bits) (the other lanes 0.0).
// (No include guard: every source file compiles its own copy for its own target.)

namespace vorel::oscillator_detail {
namespace {

// Samples i0 .. i0 + lanes - 1 side by side. Every lane adds c * sin(...) for m ascending and k
// ascending exactly as the reference does; a lane where harmonic m is silent adds c = 0.0, which
// leaves its sum as it is (the sum is never -0.0, so adding +-0.0 changes nothing).
template <class V>
void vectorBlocks(const OscillatorInput& in, const WaveBounds& bounds, std::size_t begin,
                  std::size_t end, HarmonicMemo& memo) {
    using D = typename V::D;
    constexpr int lanes = V::lanes;
    constexpr unsigned allLanes = (1u << lanes) - 1;
    const WaveData& wave = *in.wave;
    const std::array<double, harmonicCount + 1>& logM = logOfHarmonic();
    const int oscillators = in.oscillatorCount;
    const D rateV = V::set1(sampleRate);
    const D twoPiV = V::set1(soundTwoPi);
    const D thresholdV = V::set1(coefficientThreshold);
    const D nearBelowV = V::set1(coefficientThreshold * (1 - thresholdBand));
    const D nearAboveV = V::set1(coefficientThreshold * (1 + thresholdBand));

    for (std::size_t i0 = begin; i0 < end; i0 += lanes) {
        const std::size_t valid =
            end - i0 < static_cast<std::size_t>(lanes) ? end - i0 : static_cast<std::size_t>(lanes);
        alignas(64) double fi[lanes];
        alignas(64) double vi[lanes];
        alignas(64) double degree[lanes];
        alignas(64) double time[lanes];
        int limit[lanes];
        // A short last block repeats its last sample in the spare lanes and stores only its own.
        bool samePitch = true;
        bool sameDegree = true;
        for (int l = 0; l < lanes; ++l) {
            const std::size_t i =
                i0 +
                (static_cast<std::size_t>(l) < valid ? static_cast<std::size_t>(l) : valid - 1);
            fi[l] = in.pitchRatio[i] * in.f0;
            vi[l] = in.pitchLfo[i] * in.lfoScale;
            degree[l] = in.degree[i];
            time[l] = static_cast<double>(i);
            samePitch = samePitch && fi[l] == fi[0];
            sameDegree = sameDegree && degree[l] == degree[0];
        }
        int minLimit;
        int maxLimit;
        if (samePitch) {
            minLimit = maxLimit = harmonicLimit(fi[0]);
            for (int l = 0; l < lanes; ++l)
                limit[l] = minLimit;
        } else {
            for (int l = 0; l < lanes; ++l)
                limit[l] = harmonicLimit(fi[l]);
            minLimit = maxLimit = limit[0];
            for (int l = 1; l < lanes; ++l) {
                minLimit = limit[l] < minLimit ? limit[l] : minLimit;
                maxLimit = limit[l] > maxLimit ? limit[l] : maxLimit;
            }
        }
        double minDegree = degree[0];
        for (int l = 1; l < lanes; ++l)
            minDegree = degree[l] < minDegree ? degree[l] : minDegree;
        // The lanes where harmonic m passes the ceiling test.
        auto lanesBelowCeiling = [&](int m) {
            if (m <= minLimit)
                return allLanes;
            unsigned bits = 0;
            for (int l = 0; l < lanes; ++l)
                bits |= m <= limit[l] ? 1u << l : 0u;
            return bits;
        };

        // (vi + k * d + fi) * 2pi * time per oscillator, as the reference groups it.
        D phase[maxOscillators];
        const D viV = V::load(vi);
        const D fiV = V::load(fi);
        const D timeV = V::load(time);
        for (int k = 0; k < oscillators; ++k)
            phase[k] =
                V::mul(V::mul(V::add(V::add(viV, V::set1(k * in.detuneHz)), fiV), twoPiV), timeV);

        D x = V::set1(0.0);
        auto addHarmonic = [&](int m, D c) {
            const D mV = V::set1(static_cast<double>(m));
            for (int k = 0; k < oscillators; ++k)
                x = V::add(x, V::mul(c, V::sin(V::div(V::mul(phase[k], mV), rateV))));
        };

        if (sameDegree) {
            // The degree holds over the block: the memo has the exact coefficients.
            selectMemoDegree(memo, degree[0]);
            fillMemo(memo, wave, maxLimit);
            for (int a = 0; a < memo.activeCount; ++a) {
                const int m = memo.activeHarmonic[static_cast<std::size_t>(a)];
                if (m > maxLimit)
                    break;
                const D c = V::set1(memo.activeCoefficient[static_cast<std::size_t>(a)]);
                addHarmonic(m, m <= minLimit ? c : V::keep(c, lanesBelowCeiling(m)));
            }
        } else {
            const D degreeV = V::load(degree);
            const D minDegreeV = V::set1(minDegree);
            // Harmonics base + 1 .. base + lanes at a time: those that may sound somewhere in the
            // block (all others are silent in every lane for sure and need no power function).
            for (int base = 0; base < maxLimit; base += lanes) {
                unsigned candidates =
                    V::atLeast(V::load(bounds.highestDegree.data() + base), minDegreeV);
                if (maxLimit - base < lanes)
                    candidates &= (1u << (maxLimit - base)) - 1;
                while (candidates) {
                    const int m = base + __builtin_ctz(candidates) + 1;
                    candidates &= candidates - 1;
                    const double w = wave[static_cast<std::size_t>(m - 1)];
                    // 1^g is exactly 1.
                    D c = m == 1
                              ? V::set1(w)
                              : V::div(V::set1(w),
                                       V::exp(V::mul(degreeV,
                                                     V::set1(logM[static_cast<std::size_t>(m)]))));
                    const unsigned inside = lanesBelowCeiling(m);
                    unsigned sounds = V::greater(c, thresholdV) & inside;
                    if (const unsigned near = V::within(c, nearBelowV, nearAboveV) & inside) {
                        // Too close to call with the vector function: decide with the
                        // reference's pow.
                        alignas(64) double laneC[lanes];
                        V::store(laneC, c);
                        for (int l = 0; l < lanes; ++l) {
                            if (!(near >> l & 1u))
                                continue;
                            laneC[l] = w / std::pow(m, degree[l]);
                            sounds = laneC[l] > coefficientThreshold ? sounds | 1u << l
                                                                     : sounds & ~(1u << l);
                        }
                        c = V::load(laneC);
                    }
                    if (sounds)
                        addHarmonic(m, V::keep(c, sounds));
                }
            }
        }

        if (valid == static_cast<std::size_t>(lanes)) {
            V::store(in.out + i0, x);
        } else {
            alignas(64) double sums[lanes];
            V::store(sums, x);
            for (std::size_t l = 0; l < valid; ++l)
                in.out[i0 + l] = sums[l];
        }
    }
}

// sin or cos of n arguments, a vector at a time; the last partial vector through a padded copy.
template <typename V> void vectorSines(const double* x, double* out, std::size_t n, bool cosine) {
    constexpr std::size_t lanes = static_cast<std::size_t>(V::lanes);
    std::size_t i = 0;
    for (; i + lanes <= n; i += lanes) {
        const typename V::D v = V::load(x + i);
        V::store(out + i, cosine ? V::cos(v) : V::sin(v));
    }
    if (i < n) {
        alignas(64) double rest[lanes] = {};
        for (std::size_t l = 0; i + l < n; ++l)
            rest[l] = x[i + l];
        const typename V::D v = V::load(rest);
        V::store(rest, cosine ? V::cos(v) : V::sin(v));
        for (std::size_t l = 0; i + l < n; ++l)
            out[i + l] = rest[l];
    }
}

} // namespace
} // namespace vorel::oscillator_detail
