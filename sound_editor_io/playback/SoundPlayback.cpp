#include "sound_editor_io/playback/SoundPlayback.h"

#include "common/Pcm.h"

namespace vorel {

namespace {

bool playAudible(PcmPlayer& player, std::span<const std::int16_t> buffer) {
    return player.play(buffer.first(audibleLength(buffer)));
}

} // namespace

bool playPreview(PcmPlayer& player, std::span<const std::int16_t> previewBuffer) {
    return playAudible(player, previewBuffer);
}

bool playRender(PcmPlayer& player, std::span<const std::int16_t> renderBuffer) {
    return playAudible(player, renderBuffer);
}

bool playKeyTone(PcmPlayer& player, const PreviewTones& tones, int key) {
    return player.play(tones.tone(key));
}

void stopIfPlayingFrom(PcmPlayer& player, std::span<const std::int16_t> buffer) {
    if (player.isPlayingFrom(buffer))
        player.stop();
}

} // namespace vorel
