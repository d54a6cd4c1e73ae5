#pragma once

#include "platform/PcmPlayer.h"
#include "sound_editor_io/playback/PreviewTones.h"

#include <cstdint>
#include <span>

namespace vorel {

// The sound editor's play actions. Each one first stops the sound that plays, and returns what
// PcmPlayer::play returns: false when no output device could be opened.

// "110Hz", "220Hz", "440Hz", "880Hz": a computed test note up to its last non-zero sample, so the
// trailing silence of the fixed-size buffer is never played; silence plays nothing.
bool playPreview(PcmPlayer& player, std::span<const std::int16_t> previewBuffer);

// "Play": the rendered sequence up to its last non-zero sample; nothing before any render.
bool playRender(PcmPlayer& player, std::span<const std::int16_t> renderBuffer);

// A left click on a row of the note grid: every sample of the key's tone, not trimmed. A key
// outside 0 .. 72 only stops what plays.
bool playKeyTone(PcmPlayer& player, const PreviewTones& tones, int key);

// "Compute->" and "Render->" call this before they rewrite `buffer`, so the device never reads
// samples while they change.
void stopIfPlayingFrom(PcmPlayer& player, std::span<const std::int16_t> buffer);

} // namespace vorel
