#include "synth/LiveTone.h"

#include "synth/SynthConstants.h"

#include <algorithm>
#include <cmath>

namespace vorel {

LiveTone::LiveTone(double rate)
    : rate_(rate), ceiling_(harmonicCeiling(rate)),
      fadeLength_(static_cast<std::size_t>(std::lround(0.005 * rate))) {}

void LiveTone::setWave(const WaveData& wave) {
    Shape& shape = slots_[back_];
    shape.wave = wave;
    shape.soundingCount = 0;
    for (std::size_t k = 0; k < harmonicCount; ++k)
        if (wave[k] != 0.0)
            shape.sounding[shape.soundingCount++] = static_cast<std::uint8_t>(k);
    shape.set = true;
    back_ = middle_.exchange(back_ | fresh, std::memory_order_acq_rel) & ~fresh;
}

void LiveTone::takeNewWave() {
    if ((middle_.load(std::memory_order_acquire) & fresh) == 0)
        return;
    front_ = middle_.exchange(front_, std::memory_order_acq_rel) & ~fresh;
    previous_ = current_;
    current_ = slots_[front_];
    // The first wave comes in without a crossfade: there was nothing to fade from.
    crossfade_ = previous_.set;
}

void LiveTone::apply(const LiveEvent& event) {
    switch (event.kind) {
    case LiveEventKind::noteOn:
        if (event.value > 0) {
            // Without a wave no tone starts: it would never end (the sound editor sets none).
            if (!current_.set)
                break;
            // A free tone, else the one that started first.
            Tone* slot = &tones_[0];
            for (Tone& tone : tones_) {
                if (tone.note < 0) {
                    slot = &tone;
                    break;
                }
                if (tone.n > slot->n)
                    slot = &tone;
            }
            *slot = Tone{event.note, keyFrequency(event.note - midiKeyOffset), 0, 0, false};
            break;
        }
        [[fallthrough]]; // velocity 0 is a release
    case LiveEventKind::noteOff:
        for (Tone& tone : tones_)
            if (tone.note == event.note && !tone.released) {
                tone.released = true;
                tone.releasedAt = tone.n;
            }
        break;
    case LiveEventKind::allNotesOff:
    case LiveEventKind::allSoundOff:
        for (Tone& tone : tones_)
            if (tone.note >= 0 && !tone.released) {
                tone.released = true;
                tone.releasedAt = tone.n;
            }
        break;
    case LiveEventKind::sustain:
        break;
    }
}

double LiveTone::sample(const Tone& tone, const Shape& shape) const {
    double sum = 0.0;
    double magnitude = 0.0;
    const double time = static_cast<double>(tone.n);
    // A harmonic of coefficient 0 would add exactly 0 to both sums: it is left out.
    for (std::size_t i = 0; i < shape.soundingCount; ++i) {
        const std::size_t k = shape.sounding[i];
        const double h = static_cast<double>(k + 1);
        if (h * tone.frequency > ceiling_)
            break;
        sum += shape.wave[k] * std::sin(soundTwoPi * h * tone.frequency * time / rate_);
        magnitude += std::abs(shape.wave[k]);
    }
    return magnitude == 0.0 ? 0.0 : 0.5 / magnitude * sum;
}

double LiveTone::gain(const Tone& tone) const {
    const double fade = static_cast<double>(fadeLength_);
    double g = std::min(1.0, static_cast<double>(tone.n) / fade);
    if (tone.released)
        g *= std::max(0.0, 1.0 - static_cast<double>(tone.n - tone.releasedAt) / fade);
    return g;
}

void LiveTone::render(std::span<const LiveEvent> events, std::span<float> out) {
    takeNewWave();
    std::size_t next = 0;
    const double blockLength = static_cast<double>(out.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        while (next < events.size() && events[next].frame <= i)
            apply(events[next++]);
        if (!current_.set)
            continue;
        double mix = 0.0;
        for (Tone& tone : tones_) {
            if (tone.note < 0)
                continue;
            double s = sample(tone, current_);
            if (crossfade_) {
                const double toNew = static_cast<double>(i) / blockLength;
                s = sample(tone, previous_) * (1.0 - toNew) + s * toNew;
            }
            mix += gain(tone) * s;
            ++tone.n;
            if (tone.released && tone.n - tone.releasedAt >= fadeLength_)
                tone.note = -1;
        }
        out[i] = static_cast<float>(std::clamp(static_cast<double>(out[i]) + mix, -1.0, 1.0));
    }
    for (; next < events.size(); ++next)
        apply(events[next]);
    crossfade_ = false;
    sounding_.store(static_cast<int>(std::count_if(tones_.begin(), tones_.end(),
                                                   [](const Tone& t) { return t.note >= 0; })),
                    std::memory_order_relaxed);
}

} // namespace vorel
