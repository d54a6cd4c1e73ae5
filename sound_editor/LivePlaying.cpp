#include "sound_editor/LivePlaying.h"

namespace vorel::sound {

LivePlaying::LivePlaying(const EditorState& state) : state_(state) {
    follow();
}

void LivePlaying::follow() {
    if (handedOver_ && state_.wave == wave_ && state_.settings.indexes() == indexes_)
        return;
    wave_ = state_.wave;
    indexes_ = state_.settings.indexes();
    handedOver_ = true;
    AudioOutput::shared().setLiveSound(state_.settings, state_.wave);
}

void LivePlaying::audition(const SoundSettings& settings, const WaveData& wave) {
    handedOver_ = false;
    AudioOutput::shared().setLiveSound(settings, wave);
}

} // namespace vorel::sound
