// The output's mixer: the buffer that plays over the live voices, replaced, stopped and ended
// after the server's queue; and the buffers at 44100 Hz and at other rates.

#include "audio/Mixer.h"
#include "audio/Resampler.h"

#include "common/SoundConstants.h"

#include "support/AllocationCount.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

namespace vorel::test {
namespace {

constexpr std::size_t block = 64;

std::vector<std::int16_t> ramp(std::size_t length, int step) {
    std::vector<std::int16_t> samples(length);
    for (std::size_t i = 0; i < length; ++i)
        samples[i] = static_cast<std::int16_t>((static_cast<int>(i) * step) % 30000 - 15000);
    return samples;
}

// Renders `blocks` blocks and returns them one after the other; the rendering allocates nothing.
std::vector<float> renderBlocks(Mixer& mixer, std::size_t blocks) {
    std::vector<float> out(blocks * block);
    const std::size_t before = allocationCount();
    for (std::size_t b = 0; b < blocks; ++b)
        mixer.render({}, std::span(out).subspan(b * block, block));
    EXPECT_EQ(allocationCount(), before) << "the audio thread allocated";
    return out;
}

TEST(MixerTest, ABufferPlaysOverTheLiveVoicesIsReplacedOrStoppedAndEndsAfterTheQueue) {
    SoundSettings settings;
    WaveData wave{};
    wave[0] = 0.8;
    Mixer mixer(sampleRate, 90);
    mixer.live().setSound(settings, wave);
    LiveEngine alone(sampleRate, block);
    alone.setSound(settings, wave);

    // A buffer of 2.5 blocks with a note over it from the second block on, pushed by the MIDI
    // thread without a frame.
    const std::vector<std::int16_t> first = ramp(block * 5 / 2, 37);
    mixer.play(bufferAtRate(first, sampleRate), 1);
    std::vector<float> out = renderBlocks(mixer, 1);
    ASSERT_TRUE(mixer.pushEvent({0, LiveEventKind::noteOn, 69, 100}));
    const std::vector<float> later = renderBlocks(mixer, 3);
    out.insert(out.end(), later.begin(), later.end());

    std::vector<float> voice(4 * block, 0.0f);
    const LiveEvent on{0, LiveEventKind::noteOn, 69, 100};
    alone.render(std::span(&on, 1), std::span(voice).subspan(block, 3 * block));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const float buffer = i < first.size() ? static_cast<float>(first[i]) / 32768.0f : 0.0f;
        ASSERT_EQ(out[i], std::clamp(voice[i] + buffer, -1.0f, 1.0f)) << "frame " << i;
    }
    // 1.5 blocks have followed the buffer's end: more than the 90 frames of the queue.
    EXPECT_TRUE(mixer.bufferEnded(1));

    // A second buffer takes the place of the first at the next block; a stop silences it there.
    mixer.play(bufferAtRate(ramp(10 * block, 11), sampleRate), 2);
    mixer.play(bufferAtRate(first, sampleRate), 3);
    mixer.live().setMasterVolume(0.0);
    out = renderBlocks(mixer, 1);
    for (std::size_t i = 0; i < block; ++i)
        ASSERT_EQ(out[i], static_cast<float>(first[i]) / 32768.0f) << "frame " << i;
    EXPECT_FALSE(mixer.bufferEnded(3));
    mixer.stop();
    out = renderBlocks(mixer, 1);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0.0f), std::ptrdiff_t(block));
    EXPECT_TRUE(mixer.bufferEnded(3));
}

TEST(MixerTest, BuffersPassUnchangedAt44100AndAreResampledToTheirLengthElsewhere) {
    const std::vector<std::int16_t> samples = ramp(44100, 5);
    const std::vector<float> same = bufferAtRate(samples, sampleRate);
    ASSERT_EQ(same.size(), samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        ASSERT_EQ(std::lround(same[i] * 32768.0f), samples[i]);
    const std::vector<float> at48 = bufferAtRate(samples, 48000);
    EXPECT_NEAR(static_cast<double>(at48.size()), 48000.0, 1.0);
    // A slow ramp stays the ramp, within the filter's ripple.
    EXPECT_NEAR(at48[24000], same[22050], 1e-3);
}

} // namespace
} // namespace vorel::test
