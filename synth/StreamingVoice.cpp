#include "synth/StreamingVoice.h"

#include "synth/SynthConstants.h"
#include "synth/VoiceRange.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vorel {
namespace {

// Samples [begin, end) of `from`, whose element 0 holds sample `origin`, to `to`.
void copySamples(std::span<const double> from, std::size_t origin, std::size_t begin,
                 std::size_t end, double* to) {
    const std::span<const double> part = from.subspan(begin - origin, end - begin);
    std::copy(part.begin(), part.end(), to);
}

} // namespace

VoiceSound::VoiceSound(const SoundSettings& soundSettings, const WaveData& soundWave)
    : settings(soundSettings), wave(soundWave) {
    bounds.compute(wave);
}

CurveWindow StreamingScratch::window(std::size_t origin) {
    return {pitchRatio_, pitchLfo_, degree_, lpfLfo_, amp_, releaseGate_, origin};
}

void StreamingVoice::start(const VoiceSound& sound, double f0, double rate, Evaluation evaluation,
                           VectorUnit unit, HarmonicSines sines) {
    sound_ = &sound;
    note_ = voiceOscillators(sound.settings, sound.wave, f0, rate);
    note_.sines = sines;
    // A held key's release lies beyond every sample.
    plan_ = planCurves(sound.settings, std::numeric_limits<double>::infinity(), unboundedCurve,
                       rate, unboundedCurve);
    evaluation_ = evaluation;
    unit_ = unit;
    memo_.valid = false;
    rate_ = rate;
    released_ = false;
    position_ = 0;
    end_ = unboundedCurve;
    aheadBegin_ = aheadEnd_ = 0;
}

void StreamingVoice::release() {
    if (!playing() || released_)
        return;
    const double samples = static_cast<double>(position_);
    double gate = samples / rate_;
    // The gate must not fall below the samples already given, which the held key played.
    if (gate * rate_ < samples)
        gate = std::nextafter(gate, std::numeric_limits<double>::infinity());
    const SoundSettings& settings = sound_->settings;
    end_ = samplesOf(settings.value(Param::ampReleaseLength) + gate, rate_);
    plan_ = planCurves(settings, gate, end_, rate_, unboundedCurve);
    released_ = true;
    // The group evaluated ahead assumed the key still held.
    aheadBegin_ = aheadEnd_ = 0;
}

std::size_t StreamingVoice::render(std::span<double> out, StreamingScratch& scratch) {
    std::size_t written = 0;
    if (sound_ == nullptr)
        return 0;
    const RangeEvaluation how{evaluation_, unit_, &sound_->bounds, &memo_};
    while (written < out.size() && position_ < end_) {
        const std::size_t wanted = position_ + (out.size() - written);
        if (position_ < aheadEnd_) {
            const std::size_t last = std::min(aheadEnd_, wanted);
            copySamples(ahead_, aheadBegin_, position_, last, out.data() + written);
            written += last - position_;
            position_ = last;
            continue;
        }
        // Whole groups from the one the position lies in, as far as the block, the scratch and
        // the voice reach.
        const std::size_t first = position_ / group * group;
        const std::size_t wantedGroups = (wanted + group - 1) / group * group;
        const std::size_t last = std::min({wantedGroups, first + StreamingScratch::length, end_});
        evaluateVoice(plan_, note_, scratch.window(first), scratch.samples(), first, last, how);
        const std::span<const double> samples = scratch.samples();
        const std::size_t given = std::min(last, wanted);
        copySamples(samples, first, position_, given, out.data() + written);
        written += given - position_;
        position_ = given;
        if (last > given) {
            copySamples(samples, first, given, last, ahead_.data());
            aheadBegin_ = given;
            aheadEnd_ = last;
        }
    }
    return written;
}

} // namespace vorel
