#include "synth/Oscillator.h"

#include "synth/OscillatorDetail.h"
#include "synth/SynthConstants.h"

#include <cmath>
#include <limits>

namespace vorel {

void oscillatorsReference(const OscillatorInput& in, std::size_t begin, std::size_t end) {
    const WaveData& wave = *in.wave;
    for (std::size_t i = begin; i < end; ++i) {
        const double fi = in.pitchRatio[i] * in.f0;
        const double vi = in.pitchLfo[i] * in.lfoScale;
        const double time = static_cast<double>(i);
        double x = 0.0;
        for (int m = 1; m <= static_cast<int>(harmonicCount); ++m) {
            if (m * fi > harmonicCeiling)
                break;
            const double c = wave[static_cast<std::size_t>(m - 1)] / std::pow(m, in.degree[i]);
            if (c > coefficientThreshold) {
                for (int k = 0; k < in.oscillatorCount; ++k)
                    x += c * std::sin((vi + k * in.detuneHz + fi) * twoPi * time * m / rate);
            }
        }
        in.out[i] = x;
    }
}

namespace oscillator_detail {

int harmonicLimit(double fi) {
    constexpr int count = static_cast<int>(harmonicCount);
    // Start from the quotient and settle the last step with the reference's own test: m * fi
    // grows with m, so the harmonics that pass are exactly 1..limit.
    const double estimate = harmonicCeiling / fi;
    int limit = (estimate >= 0.0 && estimate < count) ? static_cast<int>(estimate) : count;
    while (limit < count && !((limit + 1) * fi > harmonicCeiling))
        ++limit;
    while (limit > 0 && limit * fi > harmonicCeiling)
        --limit;
    return limit;
}

void fillMemo(HarmonicMemo& memo, const WaveData& wave, int limit) {
    for (int m = memo.filledUpTo + 1; m <= limit; ++m) {
        const double c = wave[static_cast<std::size_t>(m - 1)] / std::pow(m, memo.degree);
        if (c > coefficientThreshold) {
            memo.activeHarmonic[static_cast<std::size_t>(memo.activeCount)] = m;
            memo.activeCoefficient[static_cast<std::size_t>(memo.activeCount)] = c;
            ++memo.activeCount;
        }
    }
    if (limit > memo.filledUpTo)
        memo.filledUpTo = limit;
}

void selectMemoDegree(HarmonicMemo& memo, double degree) {
    if (memo.valid && degree == memo.degree)
        return;
    memo.degree = degree;
    memo.valid = true;
    memo.filledUpTo = 0;
    memo.activeCount = 0;
}

const std::array<double, harmonicCount + 1>& logOfHarmonic() {
    static const std::array<double, harmonicCount + 1> table = [] {
        std::array<double, harmonicCount + 1> logs{};
        for (std::size_t m = 1; m <= harmonicCount; ++m)
            logs[m] = std::log(static_cast<double>(m));
        return logs;
    }();
    return table;
}

} // namespace oscillator_detail

using namespace oscillator_detail;

void oscillatorsMemoised(const OscillatorInput& in, std::size_t begin, std::size_t end,
                         HarmonicMemo& memo) {
    const WaveData& wave = *in.wave;
    for (std::size_t i = begin; i < end; ++i) {
        const double fi = in.pitchRatio[i] * in.f0;
        const double vi = in.pitchLfo[i] * in.lfoScale;
        const double time = static_cast<double>(i);
        selectMemoDegree(memo, in.degree[i]);
        const int limit = harmonicLimit(fi);
        fillMemo(memo, wave, limit);

        // The phase factor of each oscillator is the same for every harmonic of this sample.
        double phase[maxOscillators];
        for (int k = 0; k < in.oscillatorCount; ++k)
            phase[k] = (vi + k * in.detuneHz + fi) * twoPi * time;

        double x = 0.0;
        for (int a = 0; a < memo.activeCount; ++a) {
            const int m = memo.activeHarmonic[static_cast<std::size_t>(a)];
            if (m > limit)
                break;
            const double c = memo.activeCoefficient[static_cast<std::size_t>(a)];
            for (int k = 0; k < in.oscillatorCount; ++k)
                x += c * std::sin(phase[k] * m / rate);
        }
        in.out[i] = x;
    }
}

void WaveBounds::compute(const WaveData& wave) {
    constexpr double never = -std::numeric_limits<double>::infinity();
    highestDegree.fill(never);
    for (std::size_t h = 0; h < harmonicCount; ++h) {
        // c = w / m^g passes only while g * log(m) < log(w / threshold).
        const double w = wave[h];
        if (!(w > 0.0)) {
            highestDegree[h] = never; // c is 0.0 or negative at every degree
            continue;
        }
        const double reach = std::log(w / coefficientThreshold) + silentMargin;
        if (h == 0) // 1^g is 1: the fundamental sounds at every degree or at none
            highestDegree[h] = reach >= 0.0 ? std::numeric_limits<double>::infinity() : never;
        else
            highestDegree[h] = reach / logOfHarmonic()[h + 1];
    }
}

bool vectorUnitAvailable(VectorUnit unit) {
#if defined(VOREL_HAVE_VECTOR_MATH) && defined(__x86_64__)
    // Safe to repeat; needed when this runs before the run-time library's own constructors
    // (a Synth constructed during static initialisation).
    __builtin_cpu_init();
#endif
    switch (unit) {
    case VectorUnit::none:
        return true;
#if defined(VOREL_HAVE_VECTOR_MATH) && defined(__x86_64__)
    case VectorUnit::avx2:
        return __builtin_cpu_supports("avx2");
    case VectorUnit::avx512:
        return __builtin_cpu_supports("avx512f");
#else
    default:
        return false;
#endif
    }
    return false;
}

VectorUnit bestVectorUnit() {
    if (vectorUnitAvailable(VectorUnit::avx512))
        return VectorUnit::avx512;
    if (vectorUnitAvailable(VectorUnit::avx2))
        return VectorUnit::avx2;
    return VectorUnit::none;
}

const char* vectorUnitName(VectorUnit unit) {
    switch (unit) {
    case VectorUnit::avx2:
        return "avx2";
    case VectorUnit::avx512:
        return "avx512";
    case VectorUnit::none:
        break;
    }
    return "scalar";
}

void oscillatorsVector(const OscillatorInput& in, const WaveBounds& bounds, std::size_t begin,
                       std::size_t end, HarmonicMemo& memo, VectorUnit unit) {
    if (in.oscillatorCount > maxOscillators) {
        oscillatorsReference(in, begin, end);
        return;
    }
#if defined(VOREL_HAVE_VECTOR_MATH) && defined(__x86_64__)
    if (unit == VectorUnit::avx512 && vectorUnitAvailable(unit)) {
        oscillatorsAvx512(in, bounds, begin, end, memo);
        return;
    }
    if (unit == VectorUnit::avx2 && vectorUnitAvailable(unit)) {
        oscillatorsAvx2(in, bounds, begin, end, memo);
        return;
    }
#else
    (void)bounds;
    (void)unit;
#endif
    oscillatorsMemoised(in, begin, end, memo);
}

namespace {

void trigonometry(const double* x, double* out, std::size_t n, VectorUnit unit, bool cosine) {
#if defined(VOREL_HAVE_VECTOR_MATH) && defined(__x86_64__)
    if (unit == VectorUnit::avx512 && vectorUnitAvailable(unit)) {
        sinesAvx512(x, out, n, cosine);
        return;
    }
    if (unit == VectorUnit::avx2 && vectorUnitAvailable(unit)) {
        sinesAvx2(x, out, n, cosine);
        return;
    }
#else
    (void)unit;
#endif
    for (std::size_t i = 0; i < n; ++i)
        out[i] = cosine ? std::cos(x[i]) : std::sin(x[i]);
}

} // namespace

void sinesOf(const double* x, double* out, std::size_t n, VectorUnit unit) {
    trigonometry(x, out, n, unit, false);
}

void cosinesOf(const double* x, double* out, std::size_t n, VectorUnit unit) {
    trigonometry(x, out, n, unit, true);
}

} // namespace vorel
