#include "synth/Oscillator.h"

#include "synth/OscillatorDetail.h"
#include "synth/SynthConstants.h"

#include <cmath>
#include <limits>

namespace vorel {

// Sample i sums, over the harmonics m below the ceiling whose filtered coefficient passes the
// threshold and over the oscillators k, coefficient * sin((vibrato + k * detune + pitch) * 2 pi *
// i * m / rate).
double referenceOscillatorSum(const OscillatorInput& in, std::size_t i, double pitchRatio,
                              double pitchLfo, double degree) {
    const WaveData& wave = *in.wave;
    const double pitch = pitchRatio * in.f0;
    const double vibrato = pitchLfo * in.lfoScale;
    const double time = static_cast<double>(i);
    double sum = 0.0;
    for (int m = 1; m <= static_cast<int>(harmonicCount); ++m) {
        if (m * pitch > in.ceilingHz)
            break;
        const double coefficient = wave[static_cast<std::size_t>(m - 1)] / std::pow(m, degree);
        if (coefficient > coefficientThreshold) {
            for (int k = 0; k < in.oscillatorCount; ++k)
                sum += coefficient * std::sin((vibrato + k * in.detuneHz + pitch) * soundTwoPi *
                                              time * m / in.rate);
        }
    }
    return sum;
}

void oscillatorsReference(const OscillatorInput& in, std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
        const std::size_t at = i - in.origin;
        in.out[at] =
            referenceOscillatorSum(in, i, in.pitchRatio[at], in.pitchLfo[at], in.degree[at]);
    }
}

namespace oscillator_detail {

int harmonicLimit(double pitch, double ceiling) {
    constexpr int count = static_cast<int>(harmonicCount);
    // Start from the quotient and settle the last step with the reference's own test: m * pitch
    // grows with m, so the harmonics that pass are exactly 1..limit.
    const double estimate = ceiling / pitch;
    int limit = (estimate >= 0.0 && estimate < count) ? static_cast<int>(estimate) : count;
    while (limit < count && !((limit + 1) * pitch > ceiling))
        ++limit;
    while (limit > 0 && limit * pitch > ceiling)
        --limit;
    return limit;
}

void fillMemo(HarmonicMemo& memo, const WaveData& wave, int limit) {
    for (int m = memo.filledUpTo + 1; m <= limit; ++m) {
        const double coefficient = wave[static_cast<std::size_t>(m - 1)] / std::pow(m, memo.degree);
        if (coefficient > coefficientThreshold) {
            memo.activeHarmonic[static_cast<std::size_t>(memo.activeCount)] = m;
            memo.activeCoefficient[static_cast<std::size_t>(memo.activeCount)] = coefficient;
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
        const std::size_t at = i - in.origin;
        const double pitch = in.pitchRatio[at] * in.f0;
        const double vibrato = in.pitchLfo[at] * in.lfoScale;
        const double time = static_cast<double>(i);
        selectMemoDegree(memo, in.degree[at]);
        const int limit = harmonicLimit(pitch, in.ceilingHz);
        fillMemo(memo, wave, limit);

        // The phase factor of each oscillator is the same for every harmonic of this sample.
        double phase[maxOscillators];
        for (int k = 0; k < in.oscillatorCount; ++k)
            phase[k] = (vibrato + k * in.detuneHz + pitch) * soundTwoPi * time;

        double sum = 0.0;
        for (int active = 0; active < memo.activeCount; ++active) {
            const int m = memo.activeHarmonic[static_cast<std::size_t>(active)];
            if (m > limit)
                break;
            const double coefficient = memo.activeCoefficient[static_cast<std::size_t>(active)];
            for (int k = 0; k < in.oscillatorCount; ++k)
                sum += coefficient * std::sin(phase[k] * m / in.rate);
        }
        in.out[at] = sum;
    }
}

void WaveBounds::compute(const WaveData& wave) {
    constexpr double never = -std::numeric_limits<double>::infinity();
    highestDegree.fill(never);
    for (std::size_t h = 0; h < harmonicCount; ++h) {
        // coefficient / m^degree passes only while degree * log(m) < log(coefficient / threshold).
        const double coefficient = wave[h];
        if (!(coefficient > 0.0)) {
            highestDegree[h] = never; // 0.0 or negative at every degree
            continue;
        }
        const double reach = std::log(coefficient / coefficientThreshold) + silentMargin;
        if (h == 0) // 1^g is 1: the fundamental sounds at every degree or at none
            highestDegree[h] = reach >= 0.0 ? std::numeric_limits<double>::infinity() : never;
        else
            highestDegree[h] = reach / logOfHarmonic()[h + 1];
    }
}

void oscillatorsVector(const OscillatorInput& in, const WaveBounds& bounds, std::size_t begin,
                       std::size_t end, HarmonicMemo& memo, VectorUnit unit) {
    if (in.oscillatorCount > maxOscillators) {
        oscillatorsReference(in, begin, end);
        return;
    }
    onVectorUnit(
        unit, [&](auto) { oscillatorsAvx512(in, bounds, begin, end, memo); },
        [&](auto) { oscillatorsAvx2(in, bounds, begin, end, memo); },
        [&] { oscillatorsMemoised(in, begin, end, memo); });
}

namespace {

void trigonometry(const double* x, double* out, std::size_t n, VectorUnit unit, bool cosine) {
    onVectorUnit(
        unit, [&](auto) { sinesAvx512(x, out, n, cosine); },
        [&](auto) { sinesAvx2(x, out, n, cosine); },
        [&] {
            for (std::size_t i = 0; i < n; ++i)
                out[i] = cosine ? std::cos(x[i]) : std::sin(x[i]);
        });
}

} // namespace

void sinesOf(const double* x, double* out, std::size_t n, VectorUnit unit) {
    trigonometry(x, out, n, unit, false);
}

void cosinesOf(const double* x, double* out, std::size_t n, VectorUnit unit) {
    trigonometry(x, out, n, unit, true);
}

} // namespace vorel
