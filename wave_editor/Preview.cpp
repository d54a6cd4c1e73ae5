#include "wave_editor/Preview.h"

#include "common/Conversion.h"
#include "common/NearPeak.h"
#include "wave_editor/PreviewDetail.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <vector>

namespace vorel::wave {
namespace preview_detail {
namespace {

// The fallback of the fast evaluation: one sample at a time with the scalar cosine, which gives
// the reference's doubles.
struct ScalarLanes {
    using D = double;
    static constexpr int lanes = 1;
    static D set1(double v) { return v; }
    static D load(const double* p) { return *p; }
    static void store(double* p, D v) { *p = v; }
    static D add(D a, D b) { return a + b; }
    static D mul(D a, D b) { return a * b; }
    static D cos(D a) { return std::cos(a); }
    static D abs(D a) { return std::fabs(a); }
    // The larger of a and b; b where a is NaN.
    static D max(D a, D b) { return a > b ? a : b; }
};

} // namespace
} // namespace preview_detail
} // namespace vorel::wave

#include "wave_editor/PreviewBlocks.h"

namespace vorel::wave {

using namespace preview_detail;

namespace {

// The samples a worker takes at a time; the largest running peak is kept per chunk, so that only
// the chunks that reach near the peak are searched for the samples near it.
constexpr std::size_t chunkLength = 1024;
constexpr std::size_t chunkCount = (toneLength + chunkLength - 1) / chunkLength;

// "Compute" reports its progress this many times while the fast evaluation sums.
constexpr std::size_t fastRounds = 8;
// The reference reports it after each of these pieces of a tone.
constexpr std::size_t referencePiece = 22050;

// Which harmonics of which tones each cosine pair serves (harmonic[t], 0 where tone t does not
// add the pair), fixed by the frequencies alone. A harmonic whose two steps are, to the bit, those
// of a pair listed before shares its cosines: 440 and 880 Hz are 110 Hz times 4 and 8, and 444
// and 888 Hz are 111 Hz times 4 and 8, so their harmonic h has the steps of harmonic 4h or 8h at
// 110 Hz (or of 2h at 440 Hz): multiplying by a power of two changes no rounding. A tone shares
// only a pair after the one it added last, so that it still adds its harmonics in order.
struct PairSlot {
    double companionStep = 0.0;
    double baseStep = 0.0;
    std::array<int, previewPitchCount> harmonic{};
};

std::vector<PairSlot> layOutPairs() {
    std::vector<PairSlot> slots;
    for (int tone = 0; tone < previewPitchCount; ++tone) {
        const auto t = static_cast<std::size_t>(tone);
        std::size_t next = 0; // the first slot the tone may still share
        for (int h = 1; h <= previewHarmonicCount(tone); ++h) {
            const double companion = harmonicStep(previewCompanionHz[t], h);
            const double base = harmonicStep(previewBaseHz[t], h);
            std::size_t slot = next;
            while (slot < slots.size() &&
                   !(slots[slot].companionStep == companion && slots[slot].baseStep == base))
                ++slot;
            if (slot == slots.size())
                slots.push_back(PairSlot{companion, base, {}});
            slots[slot].harmonic[t] = h;
            next = slot + 1;
        }
    }
    return slots;
}

// The pairs `wave` needs. A harmonic whose coefficient is +-0.0 adds +-0.0 to its running sum,
// which leaves the sum and the running peak as they were (the sum starts at +0.0 and is never
// -0.0: x + -0.0 is x, and +0.0 + -0.0 is +0.0), so it is left out, and so is a pair no tone adds.
PairPlan planPairs(const WaveData& wave) {
    static const std::vector<PairSlot> slots = layOutPairs();
    PairPlan plan;
    for (const PairSlot& slot : slots) {
        CosinePair pair{slot.companionStep, slot.baseStep, 0, {}};
        for (std::size_t t = 0; t < previewPitchCount; ++t) {
            const int h = slot.harmonic[t];
            if (h == 0 || wave[static_cast<std::size_t>(h - 1)] == 0.0)
                continue;
            pair.tones |= 1u << t;
            pair.coefficient[t] = wave[static_cast<std::size_t>(h - 1)];
        }
        if (pair.tones != 0)
            plan.pairs[static_cast<std::size_t>(plan.count++)] = pair;
    }
    return plan;
}

void pairSums(const PairPlan& plan, std::size_t begin, std::size_t end, const ToneOutput& out,
              VectorUnit unit) {
    onVectorUnit(
        unit, [&](auto) { pairSumsAvx512(plan, begin, end, out); },
        [&](auto) { pairSumsAvx2(plan, begin, end, out); },
        [&] { pairBlocks<ScalarLanes>(plan, begin, end, out); });
}

// Sample j of the tone of `pitch` as the reference computes it, harmonic after harmonic with the
// scalar cosine: the running sum after the last harmonic. `runningPeak` gets the largest
// magnitude the running sum reached.
double referenceSample(const WaveData& wave, int pitch, std::size_t j, double& runningPeak) {
    const double companion = previewCompanionHz[static_cast<std::size_t>(pitch)];
    const double base = previewBaseHz[static_cast<std::size_t>(pitch)];
    const int harmonics = previewHarmonicCount(pitch);
    const double time = static_cast<double>(j);
    double s = 0.0;
    runningPeak = 0.0;
    for (int h = 1; h <= harmonics; ++h) {
        const double c = std::cos(time * harmonicStep(companion, h));
        const double b = std::cos(time * harmonicStep(base, h));
        s = ((c + b) * wave[static_cast<std::size_t>(h - 1)]) + s;
        if (std::fabs(s) > runningPeak)
            runningPeak = std::fabs(s);
    }
    return s;
}

} // namespace

int previewHarmonicCount(int pitch) {
    double base = previewBaseHz[static_cast<std::size_t>(pitch)];
    int count = 0;
    // The limit is tested with the base frequency, also for the companion's harmonics.
    while (count < static_cast<int>(harmonicCount) &&
           static_cast<double>(count + 1) * base <= highestHarmonicHz)
        ++count;
    return count;
}

double harmonicStep(double frequency, int harmonic) {
    return static_cast<double>(harmonic) * ((frequency * soundTwoPi) / sampleRate);
}

Previews::Previews(unsigned threads, Evaluation evaluation)
    : pool_(threads), evaluation_(evaluation), vectorUnit_(bestVectorUnit()),
      sums_(previewPitchCount * toneLength), runningPeaks_(previewPitchCount * toneLength),
      chunkPeaks_(previewPitchCount * chunkCount), pcm_(previewPitchCount * toneLength) {}

bool Previews::referenceSums(const WaveData& wave, const Progress& progress) {
    for (int pitch = 0; pitch < previewPitchCount; ++pitch) {
        const std::span<double> tone = sums(pitch);
        double peak = 0.0;
        for (std::size_t j = 0; j < toneLength; ++j) {
            if (j % referencePiece == 0 && progress &&
                !progress((pitch + static_cast<double>(j) / toneLength) / previewPitchCount))
                return false;
            double runningPeak = 0.0;
            tone[j] = referenceSample(wave, pitch, j, runningPeak);
            peak = std::max(peak, runningPeak);
        }
        workPeaks_[static_cast<std::size_t>(pitch)] = peak;
    }
    return true;
}

bool Previews::fastSums(const WaveData& wave, const Progress& progress) {
    const PairPlan plan = planPairs(wave);
    ToneOutput out;
    for (std::size_t t = 0; t < previewPitchCount; ++t) {
        out.sums[t] = sums_.data() + t * toneLength;
        out.runningPeaks[t] = runningPeaks_.data() + t * toneLength;
    }
    constexpr std::size_t chunksPerRound = (chunkCount + fastRounds - 1) / fastRounds;
    for (std::size_t first = 0; first < chunkCount; first += chunksPerRound) {
        if (progress && !progress(static_cast<double>(first) / chunkCount))
            return false;
        const std::size_t last = std::min(first + chunksPerRound, chunkCount);
        // The workers take chunks in turn, so that a core that other programs keep busy does
        // not hold the others up.
        std::atomic<std::size_t> next{first};
        pool_.forEachRange(pool_.threadCount(), [&](std::size_t, std::size_t, unsigned) {
            for (;;) {
                const std::size_t chunk = next.fetch_add(1, std::memory_order_relaxed);
                if (chunk >= last)
                    break;
                const std::size_t begin = chunk * chunkLength;
                const std::size_t end = std::min(begin + chunkLength, toneLength);
                pairSums(plan, begin, end, out, vectorUnit_);
                for (std::size_t t = 0; t < previewPitchCount; ++t)
                    chunkPeaks_[t * chunkCount + chunk] =
                        largestMagnitude(out.runningPeaks[t] + begin, end - begin);
            }
        });
    }
    for (int pitch = 0; pitch < previewPitchCount; ++pitch)
        workPeaks_[static_cast<std::size_t>(pitch)] = exactPeak(wave, pitch);
    return true;
}

// Why the reference's peak sample is among the samples near the fast peak (see
// common/NearPeak.h): the fast running sums differ from the reference's only through the vector
// cosine, within 4 units in the last place. So each term differs by at most about 3e-15 of its
// coefficient, and each addition's rounding by at most 2.2e-16 of the sum, which never exceeds
// 200 times the largest coefficient: over at most 100 harmonics a running sum lies within about
// 5e-12 of the largest coefficient magnitude of its reference value. At sample 0 every cosine is
// 1, so the running sums there are twice the partial sums of the coefficients and the peak is at
// least the largest coefficient magnitude: every sample lies within about 5e-12 of the peak of its
// reference value, far inside the band. Where the terms are subnormal, each product may round one
// step (denorm_min) apart instead; the slack covers that.
constexpr double subnormalSlack = 2 * harmonicCount * std::numeric_limits<double>::denorm_min();

double Previews::exactPeak(const WaveData& wave, int pitch) {
    const auto t = static_cast<std::size_t>(pitch);
    const std::span<const double> peaks(chunkPeaks_.data() + t * chunkCount, chunkCount);
    const double fastPeak = *std::max_element(peaks.begin(), peaks.end());
    // Running sums that are all zero (sample 0's among them) mean that every coefficient is zero.
    if (fastPeak == 0.0)
        return 0.0;
    const std::span<const double> running(runningPeaks_.data() + t * toneLength, toneLength);
    nearPeak_.clear();
    collectNearPeak(running, peaks, chunkLength, nearPeakFloor(fastPeak, subnormalSlack),
                    nearPeak_);
    const std::span<double> tone = sums(pitch);
    double peak = 0.0;
    for (std::size_t j : nearPeak_) {
        double runningPeak = 0.0;
        tone[j] = referenceSample(wave, pitch, j, runningPeak);
        peak = std::max(peak, runningPeak);
    }
    return peak;
}

bool Previews::compute(const WaveData& wave, const Progress& progress) {
    const bool summed = evaluation_ == Evaluation::reference ? referenceSums(wave, progress)
                                                             : fastSums(wave, progress);
    if (!summed || (progress && !progress(1.0)))
        return false;
    // Only now are the previews replaced: a cancelled computation leaves them as they were.
    peaks_ = workPeaks_;
    for (int pitch = 0; pitch < previewPitchCount; ++pitch) {
        const double peak = peaks_[static_cast<std::size_t>(pitch)];
        const double scale = previewPeakLevel / peak;
        const double* tone = sums_.data() + static_cast<std::size_t>(pitch) * toneLength;
        std::int16_t* pcm = pcm_.data() + static_cast<std::size_t>(pitch) * toneLength;
        if (peak == 0.0) {
            std::fill(pcm, pcm + toneLength, std::int16_t{0});
            continue;
        }
        auto convert = [=](std::size_t begin, std::size_t end, unsigned) {
            for (std::size_t j = begin; j < end; ++j)
                pcm[j] = truncateTo<std::int16_t>(tone[j] * scale);
        };
        if (evaluation_ == Evaluation::reference)
            convert(0, toneLength, 0);
        else
            pool_.forEachRange(toneLength, convert);
    }
    return true;
}

} // namespace vorel::wave
