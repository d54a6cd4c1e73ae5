// The vector evaluation of the oscillators, written once for any vector width. Each instruction
// set's source file includes this after switching its target on, with a traits type V:
//   V::D, V::lanes, V::set1, V::load, V::store, V::add, V::sub, V::mul, V::div, V::round, V::abs,
//   V::sin, V::cos, V::exp, V::greater(a, b), V::atLeast(a, b), V::within(a, lo, hi) (lane bit
//   masks), V::keep(a, bits) (the other lanes 0.0), V::select(bits, a, b).
// Plain functions only, no lambdas: every function here must carry the file's target, and a
// lambda's call operator does not get it from every compiler. Nothing from the standard library
// but std::pow is called, so no inline function of a shared header is compiled for the target.
// (No include guard: every source file compiles its own copy for its own target.)

namespace vorel::oscillator_detail {
namespace {

// Samples i0 .. i0 + lanes - 1 side by side: what the sums read from the curves, lane by lane,
// and the harmonic ceilings that follow. A short last block repeats its last sample in the spare
// lanes (and stores only its own).
template <class V> struct Lanes {
    alignas(64) double pitch[V::lanes];   // Hz of the fundamental
    alignas(64) double vibrato[V::lanes]; // Hz
    alignas(64) double degree[V::lanes];
    alignas(64) double time[V::lanes]; // the sample index
    int limit[V::lanes];               // harmonics 1..limit lie below the ceiling
    int minLimit;
    int maxLimit;
    double minDegree;
    bool sameDegree; // the degree holds over the whole block
};

template <class V>
void gatherLanes(const OscillatorInput& in, std::size_t i0, std::size_t valid, Lanes<V>& lanes) {
    constexpr int count = V::lanes;
    bool samePitch = true;
    lanes.sameDegree = true;
    for (int l = 0; l < count; ++l) {
        const std::size_t i =
            i0 + (static_cast<std::size_t>(l) < valid ? static_cast<std::size_t>(l) : valid - 1);
        lanes.pitch[l] = in.pitchRatio[i - in.origin] * in.f0;
        lanes.vibrato[l] = in.pitchLfo[i - in.origin] * in.lfoScale;
        lanes.degree[l] = in.degree[i - in.origin];
        lanes.time[l] = static_cast<double>(i);
        samePitch = samePitch && lanes.pitch[l] == lanes.pitch[0];
        lanes.sameDegree = lanes.sameDegree && lanes.degree[l] == lanes.degree[0];
    }
    if (samePitch) {
        lanes.minLimit = lanes.maxLimit = harmonicLimit(lanes.pitch[0], in.ceilingHz);
        for (int l = 0; l < count; ++l)
            lanes.limit[l] = lanes.minLimit;
    } else {
        for (int l = 0; l < count; ++l)
            lanes.limit[l] = harmonicLimit(lanes.pitch[l], in.ceilingHz);
        lanes.minLimit = lanes.maxLimit = lanes.limit[0];
        for (int l = 1; l < count; ++l) {
            lanes.minLimit = lanes.limit[l] < lanes.minLimit ? lanes.limit[l] : lanes.minLimit;
            lanes.maxLimit = lanes.limit[l] > lanes.maxLimit ? lanes.limit[l] : lanes.maxLimit;
        }
    }
    lanes.minDegree = lanes.degree[0];
    for (int l = 1; l < count; ++l)
        lanes.minDegree = lanes.degree[l] < lanes.minDegree ? lanes.degree[l] : lanes.minDegree;
}

// The lanes where harmonic m passes the ceiling test.
template <class V> unsigned lanesBelowCeiling(const Lanes<V>& lanes, int m) {
    if (m <= lanes.minLimit)
        return (1u << V::lanes) - 1;
    unsigned bits = 0;
    for (int l = 0; l < V::lanes; ++l)
        bits |= m <= lanes.limit[l] ? 1u << l : 0u;
    return bits;
}

// Each oscillator's (vibrato + k * detune + pitch) * 2 pi * time, as the reference groups it: the
// same for every harmonic of the block.
template <class V> struct Phases {
    typename V::D phase[maxOscillators];
    int oscillators;
    double rate; // samples per second
};

template <class V> Phases<V> phasesOf(const OscillatorInput& in, const Lanes<V>& lanes) {
    Phases<V> phases;
    phases.oscillators = in.oscillatorCount;
    phases.rate = in.rate;
    const typename V::D vibrato = V::load(lanes.vibrato);
    const typename V::D pitch = V::load(lanes.pitch);
    const typename V::D time = V::load(lanes.time);
    const typename V::D twoPi = V::set1(soundTwoPi);
    for (int k = 0; k < phases.oscillators; ++k)
        phases.phase[k] =
            V::mul(V::mul(V::add(V::add(vibrato, V::set1(k * in.detuneHz)), pitch), twoPi), time);
    return phases;
}

// The vector sine turns slow from 2^23 radians on (its large-argument path, some 20 to 100 times
// the time), which the phases of a live note reach after a minute or more at its highest
// harmonics: from 2^22 on, the phase is first brought near 0 by whole turns of 2 pi, taken in
// three parts so that k * part is exact for every k below 2^31 and the difference errs by about
// 1e-15 radians. No offline voice comes near (20 s at 21 kHz is 2.7e6 radians), so its samples
// stay as they are.
inline constexpr double reducedPhaseFrom = 0x1p22;
inline constexpr double turnsPerRadian = 0x1.45f306dc9c883p-3; // 1 / (2 pi)
inline constexpr double turnHigh = 0x1.921fb00000000p+2;       // 2 pi to 22 bits
inline constexpr double turnMiddle = 0x1.5110b00000000p-20;    // the next 22 bits
inline constexpr double turnLow = 0x1.18469898cc517p-42;       // the rest

template <class V> typename V::D reducedPhase(typename V::D x) {
    const unsigned large = V::atLeast(V::abs(x), V::set1(reducedPhaseFrom));
    if (!large)
        return x;
    const typename V::D turns = V::round(V::mul(x, V::set1(turnsPerRadian)));
    typename V::D reduced = V::sub(x, V::mul(turns, V::set1(turnHigh)));
    reduced = V::sub(reduced, V::mul(turns, V::set1(turnMiddle)));
    reduced = V::sub(reduced, V::mul(turns, V::set1(turnLow)));
    return V::select(large, reduced, x);
}

// sum + coefficient * sin(phase * m / rate) for every oscillator in turn. A lane where harmonic m
// is silent adds a coefficient of 0.0, which leaves its sum as it is (the sum is never -0.0, so
// adding +-0.0 changes nothing).
template <class V>
typename V::D addHarmonic(typename V::D sum, const Phases<V>& phases, int m,
                          typename V::D coefficient) {
    const typename V::D harmonic = V::set1(static_cast<double>(m));
    const typename V::D rate = V::set1(phases.rate);
    for (int k = 0; k < phases.oscillators; ++k)
        sum = V::add(
            sum, V::mul(coefficient,
                        V::sin(reducedPhase<V>(V::div(V::mul(phases.phase[k], harmonic), rate)))));
    return sum;
}

// The sines of the harmonics by rotation (HarmonicSines::rotation): sin and cos of m * theta for
// each oscillator, theta = phase / rate, reached from those of harmonic m - 1 by the angle-sum
// formulas. Six operations a term instead of a vector sine; the error grows by a few units in the
// last place per harmonic, and m * theta differs from the reference's phase * m / rate by its
// roundings: some 1e-13 of a term's amplitude after 17 s at harmonic 100, far inside one 16-bit
// step.
template <class V> struct Rotation {
    typename V::D sine[maxOscillators];   // sin(harmonic * theta)
    typename V::D cosine[maxOscillators]; // cos(harmonic * theta)
    typename V::D stepSine[maxOscillators];
    typename V::D stepCosine[maxOscillators];
    int harmonic;
    int oscillators;
};

template <class V> Rotation<V> rotationOf(const Phases<V>& phases) {
    Rotation<V> rotation;
    rotation.harmonic = 1;
    rotation.oscillators = phases.oscillators;
    const typename V::D rate = V::set1(phases.rate);
    for (int k = 0; k < phases.oscillators; ++k) {
        const typename V::D theta = reducedPhase<V>(V::div(phases.phase[k], rate));
        rotation.sine[k] = rotation.stepSine[k] = V::sin(theta);
        rotation.cosine[k] = rotation.stepCosine[k] = V::cos(theta);
    }
    return rotation;
}

template <class V>
typename V::D addHarmonic(typename V::D sum, Rotation<V>& rotation, int m,
                          typename V::D coefficient) {
    for (; rotation.harmonic < m; ++rotation.harmonic)
        for (int k = 0; k < rotation.oscillators; ++k) {
            const typename V::D sine = rotation.sine[k];
            const typename V::D cosine = rotation.cosine[k];
            rotation.sine[k] =
                V::add(V::mul(sine, rotation.stepCosine[k]), V::mul(cosine, rotation.stepSine[k]));
            rotation.cosine[k] =
                V::sub(V::mul(cosine, rotation.stepCosine[k]), V::mul(sine, rotation.stepSine[k]));
        }
    for (int k = 0; k < rotation.oscillators; ++k)
        sum = V::add(sum, V::mul(coefficient, rotation.sine[k]));
    return sum;
}

// The block's sums where the degree holds over it: the memo has the exact coefficients.
template <class V, class Sines>
typename V::D fixedDegreeSum(const Lanes<V>& lanes, Sines& sines, const WaveData& wave,
                             HarmonicMemo& memo) {
    selectMemoDegree(memo, lanes.degree[0]);
    fillMemo(memo, wave, lanes.maxLimit);
    typename V::D sum = V::set1(0.0);
    for (int active = 0; active < memo.activeCount; ++active) {
        const int m = memo.activeHarmonic[static_cast<std::size_t>(active)];
        if (m > lanes.maxLimit)
            break;
        const typename V::D coefficient =
            V::set1(memo.activeCoefficient[static_cast<std::size_t>(active)]);
        sum = addHarmonic<V>(
            sum, sines, m,
            m <= lanes.minLimit ? coefficient : V::keep(coefficient, lanesBelowCeiling(lanes, m)));
    }
    return sum;
}

// Harmonic m's filtered coefficient in every lane, with `sounds` set to the lanes where it passes
// the threshold below the ceiling: wave[m-1] / m^degree as a vector exp(degree * log m), except
// where that lies too close to the threshold to call, which the reference's pow decides.
template <class V>
typename V::D varyingCoefficient(const Lanes<V>& lanes, const WaveData& wave,
                                 const std::array<double, harmonicCount + 1>& logOfM, int m,
                                 unsigned& sounds) {
    constexpr int count = V::lanes;
    const double waveCoefficient = wave[static_cast<std::size_t>(m - 1)];
    // 1^degree is exactly 1.
    typename V::D coefficient =
        m == 1 ? V::set1(waveCoefficient)
               : V::div(V::set1(waveCoefficient),
                        V::exp(V::mul(V::load(lanes.degree),
                                      V::set1(logOfM[static_cast<std::size_t>(m)]))));
    const unsigned inside = lanesBelowCeiling(lanes, m);
    sounds = V::greater(coefficient, V::set1(coefficientThreshold)) & inside;
    const unsigned near =
        V::within(coefficient, V::set1(coefficientThreshold * (1 - thresholdBand)),
                  V::set1(coefficientThreshold * (1 + thresholdBand))) &
        inside;
    if (!near)
        return coefficient;
    alignas(64) double laneCoefficient[count];
    V::store(laneCoefficient, coefficient);
    for (int l = 0; l < count; ++l) {
        if (!(near >> l & 1u))
            continue;
        laneCoefficient[l] = waveCoefficient / std::pow(m, lanes.degree[l]);
        sounds = laneCoefficient[l] > coefficientThreshold ? sounds | 1u << l : sounds & ~(1u << l);
    }
    return V::load(laneCoefficient);
}

// The block's sums where the degree differs between its samples. Harmonics base + 1 .. base +
// lanes are screened at a time: only those that may sound somewhere in the block get a power
// function (all others are silent in every lane for sure).
template <class V, class Sines>
typename V::D varyingDegreeSum(const Lanes<V>& lanes, Sines& sines, const WaveData& wave,
                               const WaveBounds& bounds) {
    constexpr int count = V::lanes;
    const std::array<double, harmonicCount + 1>& logOfM = logOfHarmonic();
    const typename V::D minDegree = V::set1(lanes.minDegree);
    typename V::D sum = V::set1(0.0);
    for (int base = 0; base < lanes.maxLimit; base += count) {
        unsigned candidates = V::atLeast(V::load(bounds.highestDegree.data() + base), minDegree);
        if (lanes.maxLimit - base < count)
            candidates &= (1u << (lanes.maxLimit - base)) - 1;
        while (candidates) {
            const int m = base + __builtin_ctz(candidates) + 1;
            candidates &= candidates - 1;
            unsigned sounds = 0;
            const typename V::D coefficient = varyingCoefficient(lanes, wave, logOfM, m, sounds);
            if (sounds)
                sum = addHarmonic<V>(sum, sines, m, V::keep(coefficient, sounds));
        }
    }
    return sum;
}

// Every lane adds coefficient * sin(...) for m ascending and k ascending exactly as the reference
// does, so each sample's sum is the reference's but for the vector functions' last bits (and,
// with HarmonicSines::rotation, the rotation's).
template <class V>
void vectorBlocks(const OscillatorInput& in, const WaveBounds& bounds, std::size_t begin,
                  std::size_t end, HarmonicMemo& memo) {
    constexpr std::size_t count = static_cast<std::size_t>(V::lanes);
    for (std::size_t i0 = begin; i0 < end; i0 += count) {
        const std::size_t valid = end - i0 < count ? end - i0 : count;
        Lanes<V> lanes;
        gatherLanes(in, i0, valid, lanes);
        const Phases<V> phases = phasesOf(in, lanes);
        typename V::D sum;
        if (in.sines == HarmonicSines::rotation) {
            Rotation<V> rotation = rotationOf(phases);
            sum = lanes.sameDegree ? fixedDegreeSum<V>(lanes, rotation, *in.wave, memo)
                                   : varyingDegreeSum<V>(lanes, rotation, *in.wave, bounds);
        } else {
            sum = lanes.sameDegree ? fixedDegreeSum<V>(lanes, phases, *in.wave, memo)
                                   : varyingDegreeSum<V>(lanes, phases, *in.wave, bounds);
        }
        double* out = in.out + (i0 - in.origin);
        if (valid == count) {
            V::store(out, sum);
        } else {
            alignas(64) double sums[count];
            V::store(sums, sum);
            for (std::size_t l = 0; l < valid; ++l)
                out[l] = sums[l];
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
