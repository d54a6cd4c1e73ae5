#include "sound_editor/SoundPlayback.h"

#include "common/Pcm.h"
#include "synth/Synth.h"

namespace vorel::sound {

bool playAudiblePart(PcmPlayer& player, std::span<const std::int16_t> buffer) {
    return player.play(buffer.first(audibleLength(buffer)));
}

bool playPreview(PcmPlayer& player, const Synth& synth, int index) {
    if (index < 0 || index >= previewCount)
        return player.play({});
    return playAudiblePart(player, synth.previewBuffer(index));
}

bool playRender(PcmPlayer& player, const Synth& synth) {
    return playAudiblePart(player, synth.renderBuffer());
}

bool playKeyTone(PcmPlayer& player, const PreviewTones& tones, int key) {
    return player.play(tones.tone(key));
}

void stopIfPlayingFrom(PcmPlayer& player, std::span<const std::int16_t> buffer) {
    if (player.isPlayingFrom(buffer))
        player.stop();
}

void stopBeforeComputingPreviews(PcmPlayer& player, const Synth& synth) {
    for (int index = 0; index < previewCount; ++index)
        stopIfPlayingFrom(player, synth.previewBuffer(index));
}

void stopBeforeRendering(PcmPlayer& player, const Synth& synth) {
    stopIfPlayingFrom(player, synth.renderBuffer());
}

} // namespace vorel::sound
