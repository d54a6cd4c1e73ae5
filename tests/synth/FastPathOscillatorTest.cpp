// The oscillator sums of the vector and memoised evaluations against the reference, on crafted
// curves: degrees that change on every sample, coefficients right at the threshold, pitches whose
// harmonic ceiling differs between neighbouring samples.

#include "synth/Oscillator.h"
#include "synth/SynthConstants.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace vorel::test {
namespace {

// Per-sample curves for the oscillators, with a few samples more than a whole number of blocks
// so that the last block is a short one.
struct Curves {
    explicit Curves(std::size_t n) : ratio(n, 1.0), lfo(n, 0.0), degree(n, 0.0) {}
    std::vector<double> ratio;
    std::vector<double> lfo;
    std::vector<double> degree;

    OscillatorInput input(const WaveData& wave, double f0, int oscillators,
                          std::vector<double>& out) const {
        const double h = f0 / referencePitch;
        return OscillatorInput{.pitchRatio = ratio.data(),
                               .pitchLfo = lfo.data(),
                               .degree = degree.data(),
                               .wave = &wave,
                               .f0 = f0,
                               .lfoScale = h,
                               .detuneHz = 3.0 * h,
                               .oscillatorCount = oscillators,
                               .out = out.data()};
    }
};

constexpr std::size_t sampleCount = 2003;

std::vector<double> reference(const Curves& curves, const WaveData& wave, double f0,
                              int oscillators) {
    std::vector<double> out(sampleCount, -1.0);
    oscillatorsReference(curves.input(wave, f0, oscillators, out), 0, sampleCount);
    return out;
}

std::vector<double> vectorised(const Curves& curves, const WaveData& wave, double f0,
                               int oscillators, VectorUnit unit) {
    std::vector<double> out(sampleCount, -1.0);
    WaveBounds bounds;
    bounds.compute(wave);
    HarmonicMemo memo;
    // Uneven pieces, as the workers take them, each continuing with the memo of the last.
    const OscillatorInput in = curves.input(wave, f0, oscillators, out);
    oscillatorsVector(in, bounds, 0, 13, memo, unit);
    oscillatorsVector(in, bounds, 13, 1024, memo, unit);
    oscillatorsVector(in, bounds, 1024, sampleCount, memo, unit);
    return out;
}

std::vector<VectorUnit> unitsHere() {
    std::vector<VectorUnit> units{VectorUnit::none};
    for (VectorUnit unit : {VectorUnit::avx2, VectorUnit::avx512})
        if (vectorUnitAvailable(unit))
            units.push_back(unit);
    return units;
}

// A wrong threshold or ceiling decision adds or drops a whole term (at least 0.05 times a sine);
// the vector functions alone move a sum by far less than 1e-9.
void expectSameSums(const std::vector<double>& expected, const std::vector<double>& actual,
                    VectorUnit unit) {
    std::size_t worst = 0;
    double worstDelta = 0.0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const double delta = std::abs(expected[i] - actual[i]);
        if (!(delta <= worstDelta)) {
            worst = i;
            worstDelta = delta;
        }
    }
    EXPECT_LE(worstDelta, 1e-9) << vectorUnitName(unit) << ": sample " << worst << " is "
                                << actual[worst] << ", reference " << expected[worst];
    if (unit == VectorUnit::none) {
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(expected[i], actual[i]) << "memoised sums differ at sample " << i;
    }
}

WaveData randomWave(std::mt19937& random) {
    std::uniform_real_distribution<double> value(-0.3, 1.0);
    WaveData wave{};
    for (double& w : wave)
        w = value(random);
    return wave;
}

TEST(FastPathOscillatorTest, DegreeChangingOnEverySampleKeepsEveryThresholdDecision) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> degree(0.0, 2.0);
    for (int round = 0; round < 3; ++round) {
        const WaveData wave = randomWave(random);
        Curves curves(sampleCount);
        for (double& g : curves.degree)
            g = degree(random);
        for (VectorUnit unit : unitsHere())
            expectSameSums(reference(curves, wave, 110.0, 2),
                           vectorised(curves, wave, 110.0, 2, unit), unit);
    }
}

TEST(FastPathOscillatorTest, CoefficientsOnTheThresholdAreDecidedAsTheReferenceDecides) {
    // Every harmonic's coefficient is 0.05 * m^g0, so at degree g0 and its neighbouring doubles
    // c lands on 0.05 or next to it; the vector exp must not tip any of these decisions.
    const double g0 = 0.7;
    WaveData wave{};
    for (std::size_t m = 1; m <= harmonicCount; ++m)
        wave[m - 1] = coefficientThreshold * std::pow(static_cast<double>(m), g0);
    wave[0] = coefficientThreshold; // exactly the threshold: silent
    Curves curves(sampleCount);
    for (std::size_t i = 0; i < sampleCount; ++i) {
        double g = g0;
        for (std::size_t step = 0; step < i % 5; ++step)
            g = std::nextafter(g, i % 2 ? 0.0 : 2.0);
        curves.degree[i] = g;
    }
    // Blocks where the degree holds too (the memoised coefficients).
    for (std::size_t i = 1000; i < 1400; ++i)
        curves.degree[i] = g0;
    for (VectorUnit unit : unitsHere())
        expectSameSums(reference(curves, wave, 55.0, 1), vectorised(curves, wave, 55.0, 1, unit),
                       unit);
}

TEST(FastPathOscillatorTest, HarmonicCeilingFollowsThePitchOfEachSample) {
    // An attack pitch sweeping over two octaves at the top of the keyboard: the number of
    // harmonics under 20000 Hz changes between neighbouring samples, inside vector blocks. And
    // the vibrato and 4 detuned oscillators, which the ceiling test ignores.
    std::mt19937 random(11);
    const WaveData wave = randomWave(random);
    Curves curves(sampleCount);
    for (std::size_t i = 0; i < sampleCount; ++i) {
        curves.ratio[i] = std::pow(2.0, 2.0 * static_cast<double>(sampleCount - i) / sampleCount);
        curves.lfo[i] = 0.4 * std::sin(static_cast<double>(i) / 50.0);
        curves.degree[i] = i < sampleCount / 2 ? 0.0 : 0.3;
    }
    for (double f0 : {880.0, 3520.0})
        for (VectorUnit unit : unitsHere())
            expectSameSums(reference(curves, wave, f0, 4), vectorised(curves, wave, f0, 4, unit),
                           unit);
}

TEST(FastPathOscillatorTest, SilentWavesGiveZeroEverywhere) {
    WaveData wave{};
    wave[3] = -0.9; // negative coefficients never sound
    wave[4] = 0.05; // nor does the threshold itself at degree 0
    Curves curves(sampleCount);
    for (std::size_t i = 0; i < sampleCount; ++i)
        curves.degree[i] = i % 3 == 0 ? 0.0 : 0.001 * static_cast<double>(i % 7);
    for (VectorUnit unit : unitsHere())
        for (double x : vectorised(curves, wave, 220.0, 2, unit))
            ASSERT_EQ(x, 0.0) << vectorUnitName(unit);
}

} // namespace
} // namespace vorel::test
