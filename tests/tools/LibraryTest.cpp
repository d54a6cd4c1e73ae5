// The instruments and songs of the tree's library/: they load, sound, differ, and click only
// where a click is meant.
#include "common/Library.h"
#include "common/FileIo.h"
#include "common/Pcm.h"
#include "common/SoundConstants.h"
#include "common/WaveFile.h"
#include "sequencer/SequenceData.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "synth/Synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

namespace vorel::test {
namespace {

struct Instrument {
    WaveData wave;
    SoundSettings sound;
};

Instrument load(const LibraryInstrument& entry) {
    const Result<WaveData> wave = loadWaveFile(entry.wavePath);
    const Result<SoundSettings> sound = loadSoundFile(entry.soundPath);
    EXPECT_TRUE(wave) << entry.wavePath << ": " << wave.error();
    EXPECT_TRUE(sound) << entry.soundPath << ": " << sound.error();
    return {wave ? wave.value() : WaveData{}, sound ? sound.value() : SoundSettings{}};
}

// Where each category's test phrase lies: the lowest key of a rising triad played in eighths,
// then held as a chord.
int phraseKey(const std::string& category) {
    static const std::map<std::string, int> keys{{"Bass", 3},
                                                 {"Lead", 39},
                                                 {"Pluck and mallet", 39},
                                                 {"Bell", 51},
                                                 {"Strings and winds", 39},
                                                 {"Percussion", 15}};
    const auto found = keys.find(category);
    return found == keys.end() ? 27 : found->second;
}

void testPhrase(SequenceData& sequence, int key) {
    for (int step = 0; step < 3; ++step)
        sequence.placeNote(step * 12, key + step * 4 - (step == 2 ? 1 : 0), 12, 7, 8);
    for (int offset : {0, 4, 7})
        sequence.placeNote(36, key + offset, 48, 7, 7);
}

class LibraryTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        library_ = new Library(readLibraryIndex(VOREL_LIBRARY_DIR, false));
        synth_ = new Synth();
    }
    static void TearDownTestSuite() {
        delete synth_;
        delete library_;
    }
    static Library* library_;
    static Synth* synth_;
};
Library* LibraryTest::library_ = nullptr;
Synth* LibraryTest::synth_ = nullptr;

TEST_F(LibraryTest, HoldsEnoughInstrumentsOnWavesOfTheirOwnAndEveryFileLoads) {
    EXPECT_EQ(library_->problems, std::vector<std::string>{});
    EXPECT_GE(library_->instruments.size(), 48u);
    EXPECT_GE(library_->categories().size(), 8u);
    std::set<std::string> waves;
    for (const LibraryInstrument& entry : library_->instruments) {
        load(entry);
        waves.insert(entry.wavePath);
        EXPECT_FALSE(entry.description.empty()) << entry.name;
    }
    EXPECT_GE(waves.size(), 32u);
    EXPECT_GE(library_->songs.size(), 6u);
}

TEST_F(LibraryTest, EveryInstrumentSoundsItsPhraseAndNoTwoSoundAlike) {
    std::map<std::uint64_t, std::string> renderings;
    for (const LibraryInstrument& entry : library_->instruments) {
        const Instrument instrument = load(entry);
        auto sequence = std::make_unique<SequenceData>();
        testPhrase(*sequence, phraseKey(entry.category));
        ASSERT_TRUE(synth_->renderSequence(*sequence, instrument.sound, instrument.wave));
        const auto samples = synth_->renderBuffer();
        const std::size_t length = audibleLength(samples);
        const auto peak =
            std::max_element(samples.begin(), samples.begin() + length,
                             [](auto a, auto b) { return std::abs(a) < std::abs(b); });
        EXPECT_TRUE(length > 0 && std::abs(*peak) >= renderPeak - 1) << entry.name << " is silent";
        const auto bytes = std::as_bytes(samples.first(length));
        const auto [other, isNew] = renderings.emplace(fingerprintOf(bytes).checksum, entry.name);
        EXPECT_TRUE(isNew) << entry.name << " renders the samples of " << other->second;
    }
}

TEST_F(LibraryTest, EverySongRendersWithItsInstrument) {
    for (const LibrarySong& song : library_->songs) {
        const LibraryInstrument* entry = library_->instrument(song.instrument);
        ASSERT_NE(entry, nullptr) << song.name;
        const Instrument instrument = load(*entry);
        auto sequence = std::make_unique<SequenceData>();
        ASSERT_TRUE(loadSequenceFile(song.sequencePath, *sequence)) << song.name;
        sequence->tempo = song.tempo;
        ASSERT_TRUE(synth_->renderSequence(*sequence, instrument.sound, instrument.wave));
        // A song fills more than a few bars, at its own tempo.
        const double seconds = static_cast<double>(audibleLength(synth_->renderBuffer())) /
                               static_cast<double>(sampleRate);
        EXPECT_GT(seconds, 8.0) << song.name;
    }
}

// The largest bend between neighbouring samples of a voice in [from, to): the second difference,
// small where the wave runs smoothly, as large as the jump where it jumps.
double largestBend(std::span<const double> voice, std::size_t from, std::size_t to) {
    double largest = 0.0;
    for (std::size_t i = from; i + 2 < to; ++i)
        largest = std::max(largest, std::abs(voice[i + 2] - 2.0 * voice[i + 1] + voice[i]));
    return largest;
}

// How sharply the voice bends where its attack pitch ends, against the sharpest bend of the
// same voice without the pitch of attack around that place: below 1 where nothing clicks.
double attackEdge(Synth& synth, const Instrument& instrument, int key) {
    const std::size_t end = static_cast<std::size_t>(
        instrument.sound.value(Param::attackPitchLength) * static_cast<double>(sampleRate));
    synth.sequenceVoice(instrument.sound, instrument.wave, key, 0.5, 1.0);
    const double jump = largestBend(synth.voiceOutput(), end - 2, end + 2);
    SoundSettings steady = instrument.sound;
    steady.select(Param::attackPitch, 24); // " 0 "
    synth.sequenceVoice(steady, instrument.wave, key, 0.5, 1.0);
    const std::size_t around = sampleRate / 100;
    const double usual = largestBend(synth.voiceOutput(), end - around, end + around);
    return usual > 0.0 ? jump / usual : (jump > 0.0 ? INFINITY : 0.0);
}

TEST_F(LibraryTest, OnlyDrumsAndZapsJumpWhereTheirAttackPitchEnds) {
    // Their falling pitch is made of the step: the edge is the drum's.
    const std::set<std::string> wanted{"kick-drum", "tom", "laser"};
    constexpr double clicks = 2.0;
    for (const LibraryInstrument& entry : library_->instruments) {
        const Instrument instrument = load(entry);
        if (instrument.sound.value(Param::attackPitch) == 0.0)
            continue;
        const int key = phraseKey(entry.category);
        const double edge = std::max(attackEdge(*synth_, instrument, key),
                                     attackEdge(*synth_, instrument, key + 7));
        if (!wanted.count(entry.name))
            EXPECT_LT(edge, clicks) << entry.name << " clicks where its attack pitch ends";
    }
    // The check finds the click the example sound has (+2 semitones for 0.1 s).
    const Result<WaveData> saw = loadWaveFile(VOREL_EXAMPLES_DIR "/saw.vorelwf");
    const Result<SoundSettings> softLead = loadSoundFile(VOREL_EXAMPLES_DIR "/soft-lead.vorelsf");
    ASSERT_TRUE(saw && softLead);
    EXPECT_GT(attackEdge(*synth_, {saw.value(), softLead.value()}, 27), clicks);
}

} // namespace
} // namespace vorel::test
