// Placeholder until the audio output is written: plays nothing.
#include "platform/PcmPlayer.h"

namespace vorel {

struct PcmPlayer::Impl {};

PcmPlayer::PcmPlayer(QObject* parent) : QObject(parent), impl_(std::make_unique<Impl>()) {}
PcmPlayer::~PcmPlayer() = default;
bool PcmPlayer::play(std::span<const std::int16_t>) { return true; }
void PcmPlayer::stop() {}
bool PcmPlayer::isPlaying() const { return false; }
bool PcmPlayer::isPlayingFrom(std::span<const std::int16_t>) const { return false; }

} // namespace vorel
