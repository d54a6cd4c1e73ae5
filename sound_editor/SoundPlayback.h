#pragma once

#include "platform/PcmPlayer.h"
#include "synth/PreviewTones.h"

#include <cstdint>
#include <span>

namespace vorel {
class Synth;
} // namespace vorel

namespace vorel::sound {

// The sound editor's play actions. Each one first stops the sound that plays, and returns what
// PcmPlayer::play returns: false when no output device could be opened.

// A buffer up to its last non-zero sample, so the trailing silence of a fixed-size buffer is
// never played; a silent buffer plays nothing.
bool playAudiblePart(PcmPlayer& player, std::span<const std::int16_t> buffer);

// "110Hz", "220Hz", "440Hz", "880Hz": test note `index` (0 = 110 Hz .. 3 = 880 Hz) of the last
// "Compute->", up to its last non-zero sample; nothing before any "Compute->".
bool playPreview(PcmPlayer& player, const Synth& synth, int index);

// "Play": the rendered sequence up to its last non-zero sample; nothing before any "Render->".
bool playRender(PcmPlayer& player, const Synth& synth);

// A left click on a row of the note grid: every sample of the key's tone, not trimmed. A key
// outside 0 .. 72 only stops what plays.
bool playKeyTone(PcmPlayer& player, const PreviewTones& tones, int key);

// Stops the sound if it reads from `buffer`, so the device never reads samples while they are
// rewritten.
void stopIfPlayingFrom(PcmPlayer& player, std::span<const std::int16_t> buffer);
// Called by "Compute->" before it rewrites the four test notes.
void stopBeforeComputingPreviews(PcmPlayer& player, const Synth& synth);
// Called by "Render->" before it rewrites the rendered sequence.
void stopBeforeRendering(PcmPlayer& player, const Synth& synth);

} // namespace vorel::sound
