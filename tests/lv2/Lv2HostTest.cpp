// The LV2 instrument in a host of the test's own: notes at their frames with the engine's samples,
// at two rates; a setting changed for the next note; the wave parameter, its refusals and its
// announcement; state into a fresh instance; a preset; and run() allocating nothing throughout.

#include "LilvHost.h"
#include "bench/HeavyLoad.h"
#include "common/WaveFile.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "support/TempFolder.h"
#include "synth/StreamingVoice.h"
#include "synth/SynthConstants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

namespace vorel::test {
namespace {

Lv2World& world() {
    static Lv2World instance;
    return instance;
}

WaveData exampleWave(const std::string& name) {
    auto wave = loadWaveFile(VOREL_EXAMPLES_DIR "/" + name);
    EXPECT_TRUE(wave.ok()) << name;
    return wave ? wave.value() : WaveData{};
}

// A note as the engine plays it: key `note` held from frame `on` to frame `off`.
struct Note {
    int note;
    int velocity;
    std::size_t on;
    std::size_t off;
    SoundSettings settings;
    WaveData wave;
};

// The notes evaluated one by one as the engine's voices, at the live engine's level, summed in
// the order they start (the slots of a fresh pool), as 32-bit float.
std::vector<float> expected(double rate, const std::vector<Note>& notes, std::size_t frames) {
    std::vector<double> mix(frames, 0.0);
    auto scratch = std::make_unique<StreamingScratch>();
    for (const Note& note : notes) {
        const VoiceSound sound(note.settings, note.wave);
        StreamingVoice voice;
        voice.start(sound, keyFrequency(note.note - 33), rate, Evaluation::fast, bestVectorUnit(),
                    HarmonicSines::rotation);
        double sum = 0.0;
        for (double c : note.wave)
            sum += c > coefficientThreshold ? c : 0.0;
        const double gain =
            note.velocity / 127.0 * 0.5 / (note.settings.value(Param::oscillatorCount) * sum);
        std::vector<double> samples(frames, 0.0);
        voice.render(std::span(samples).subspan(note.on, note.off - note.on), *scratch);
        voice.release();
        voice.render(std::span(samples).subspan(note.off), *scratch);
        for (std::size_t i = 0; i < frames; ++i)
            mix[i] += samples[i] * gain;
    }
    return std::vector<float>(mix.begin(), mix.end());
}

std::vector<MidiAt> midiOf(const std::vector<Note>& notes, std::size_t shift = 0) {
    std::vector<MidiAt> events;
    for (const Note& note : notes) {
        if (note.on >= shift)
            events.push_back(noteOnAt(note.on - shift, note.note, note.velocity));
        events.push_back(noteOffAt(note.off - shift, note.note));
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const MidiAt& a, const MidiAt& b) { return a.frame < b.frame; });
    return events;
}

// The first frame where the two differ, or -1.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size())
        return 0;
    const auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin());
    return x == a.end() ? -1 : static_cast<long>(x - a.begin());
}

// Two blocks: in the first the plugin hands what the host sent to the worker, in the second it
// takes and announces the outcome.
void settle(Lv2Host& host) {
    host.play({}, 512, {256});
}

TEST(Lv2HostTest, NotesSoundAtTheirFramesAsTheEngineEvaluatesThem) {
    const WaveData saw = exampleWave("saw.vorelwf");
    for (double rate : {44100.0, 48000.0}) {
        SCOPED_TRACE(rate);
        Lv2Host host(world(), rate);
        // An octave stack at full velocity passes full scale, a fourth note starts inside a block.
        std::vector<Note> notes;
        for (int note : {45, 52, 57, 64, 69, 76, 81, 88})
            notes.push_back({note, 127, 300, 5000 + static_cast<std::size_t>(note), {}, saw});
        notes.push_back({71, 64, 1301, 7000, {}, saw});
        const std::vector<float> out = host.play(midiOf(notes), 12000);
        EXPECT_EQ(firstDifference(out, expected(rate, notes, 12000)), -1);
        EXPECT_TRUE(std::all_of(out.begin(), out.begin() + 301, [](float s) { return s == 0.0f; }));
        EXPECT_GT(*std::max_element(out.begin(), out.end()), 1.0f) << "the mix is not clipped";
        EXPECT_TRUE(host.announcedWave().ends_with("/saw.vorelwf")) << host.announcedWave();
        EXPECT_EQ(host.allocationsInRun(), 0u);
    }
}

TEST(Lv2HostTest, ASettingChangedReachesTheNextNoteAndNotTheHeldOne) {
    const WaveData saw = exampleWave("saw.vorelwf");
    SoundSettings changed;
    changed.select(Param::oscillatorCount, 2);
    changed.select(Param::attackPitch, 12);
    Lv2Host host(world(), 44100.0);
    const std::vector<Note> notes{{60, 100, 100, 9000, {}, saw},
                                  {64, 90, 2048 + 512, 9500, changed, saw}};
    std::vector<float> out = host.play(midiOf({notes[0]}), 2048);
    host.setSetting(Param::oscillatorCount, 2);
    host.setSetting(Param::attackPitch, 12);
    // The block after the change hands it to the worker; the note starts after it.
    const std::vector<float> later = host.play(midiOf(notes, 2048), 10000);
    out.insert(out.end(), later.begin(), later.end());
    EXPECT_EQ(firstDifference(out, expected(44100.0, notes, 12048)), -1);
    EXPECT_EQ(host.allocationsInRun(), 0u);
    EXPECT_GT(host.allocationsInWork(), 0u);
}

TEST(Lv2HostTest, TheWaveParameterTakesGoodFilesAndRefusesOthersChangingNothing) {
    TempFolder folder;
    const WaveData saw = exampleWave("saw.vorelwf");
    const WaveData organ = exampleWave("organ.vorelwf");
    std::filesystem::copy_file(VOREL_EXAMPLES_DIR "/organ.vorelwf", folder.file("organ.vorelwf"));
    std::vector<std::byte> bytes = encodeWaveFile(organ);
    std::ofstream(folder.file("short.vorelwf"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), 799);
    WaveData notFinite = organ;
    notFinite[7] = std::nan("");
    bytes = encodeWaveFile(notFinite);
    std::ofstream(folder.file("nan.vorelwf"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));

    Lv2Host host(world(), 44100.0);
    settle(host);
    const std::string saved = host.announcedWave();
    for (const std::string name : {"missing.vorelwf", "short.vorelwf", "nan.vorelwf"}) {
        host.setWave(folder.file(name));
        settle(host);
        ASSERT_FALSE(host.log().empty()) << name;
        EXPECT_NE(host.log().back().find(folder.file(name) + " is refused"), std::string::npos)
            << host.log().back();
    }
    EXPECT_EQ(host.announcedWave(), saved);
    const std::vector<Note> before{{69, 100, 10, 3000, {}, saw}};
    EXPECT_EQ(firstDifference(host.play(midiOf(before), 8000), expected(44100, before, 8000)), -1);

    host.setWave(folder.file("organ.vorelwf"));
    settle(host);
    EXPECT_EQ(host.announcedWave(), folder.file("organ.vorelwf"));
    const std::vector<Note> after{{69, 100, 10, 3000, {}, organ}};
    EXPECT_EQ(firstDifference(host.play(midiOf(after), 8000), expected(44100, after, 8000)), -1);
    EXPECT_EQ(host.allocationsInRun(), 0u);
}

TEST(Lv2HostTest, StateKeepsTheWaveAfterItsFileIsGoneAndPresetsLoad) {
    TempFolder folder;
    const WaveData organ = exampleWave("organ.vorelwf");
    std::filesystem::copy_file(VOREL_EXAMPLES_DIR "/organ.vorelwf", folder.file("organ.vorelwf"));
    SoundSettings settings;
    settings.select(Param::oscillatorCount, 2);
    settings.select(Param::ampReleaseLength, 5);
    const std::vector<Note> notes{{57, 110, 40, 6000, settings, organ}};
    LilvState* state = nullptr;
    {
        Lv2Host first(world(), 44100.0);
        first.setWave(folder.file("organ.vorelwf"));
        first.setSetting(Param::oscillatorCount, 2);
        first.setSetting(Param::ampReleaseLength, 5);
        settle(first);
        state = first.saveState();
        ASSERT_NE(state, nullptr);
    }
    std::filesystem::remove(folder.file("organ.vorelwf"));
    Lv2Host second(world(), 44100.0);
    second.restore(state);
    lilv_state_free(state);
    settle(second);
    EXPECT_EQ(second.announcedWave(), folder.file("organ.vorelwf"));
    EXPECT_EQ(firstDifference(second.play(midiOf(notes), 30000), expected(44100, notes, 30000)),
              -1);

    const std::string uri = world().presetUri("soft-lead");
    ASSERT_FALSE(uri.empty());
    LilvNode* node = lilv_new_uri(world().world(), uri.c_str());
    LilvState* preset = lilv_state_new_from_world(world().world(), world().uridMap(), node);
    lilv_node_free(node);
    ASSERT_NE(preset, nullptr);
    Lv2Host third(world(), 44100.0);
    third.restore(preset);
    lilv_state_free(preset);
    settle(third);
    const auto lead = loadSoundFile(VOREL_EXAMPLES_DIR "/soft-lead.vorelsf");
    ASSERT_TRUE(lead.ok());
    const std::vector<Note> leadNotes{
        {64, 100, 0, 20000, lead.value(), exampleWave("saw.vorelwf")}};
    EXPECT_EQ(
        firstDifference(third.play(midiOf(leadNotes), 60000), expected(44100, leadNotes, 60000)),
        -1);
    EXPECT_TRUE(third.announcedWave().ends_with("vorel.lv2/saw.vorelwf")) << third.announcedWave();
    EXPECT_EQ(second.allocationsInRun() + third.allocationsInRun(), 0u);
}

TEST(Lv2HostTest, TheHeaviestSoundPlaysAsEvaluatedAndItsCostPerVoiceIsSaid) {
    TempFolder folder;
    const WaveData full = everyHarmonicWave();
    ASSERT_TRUE(saveWaveFile(folder.file("full.vorelwf"), full).ok());
    constexpr int voices = 16;
    constexpr std::size_t frames = 22050; // half a second, in blocks of 128 frames
    struct Case {
        const char* name;
        SoundSettings settings;
        WaveData wave;
        int firstNote;
    };
    const std::vector<Case> cases{{"heaviest", heaviestSettings(), full, 33},
                                  {"start", SoundSettings{}, exampleWave("saw.vorelwf"), 60}};
    for (const Case& c : cases) {
        Lv2Host host(world(), 44100.0);
        host.setWave(c.firstNote == 33 ? folder.file("full.vorelwf")
                                       : std::string(VOREL_EXAMPLES_DIR "/saw.vorelwf"));
        for (int number = 1; number <= parameterCount; ++number)
            host.setSetting(paramFromNumber(number), c.settings.index(paramFromNumber(number)));
        settle(host);
        std::vector<Note> notes;
        for (int v = 0; v < voices; ++v)
            notes.push_back({c.firstNote + v, 100, 0, frames, c.settings, c.wave});
        const double before = host.runSeconds();
        const std::vector<float> out = host.play(midiOf(notes), frames, {128});
        const double seconds = host.runSeconds() - before;
        EXPECT_EQ(firstDifference(out, expected(44100, notes, frames)), -1) << c.name;
        EXPECT_EQ(host.allocationsInRun(), 0u);
        const double perVoice = seconds / voices / (static_cast<double>(frames) / 44100.0);
        std::printf("cost per voice, %s: %.2f %% of one processor in real time (%.1f us per "
                    "128-frame block), %d voices in real time\n",
                    c.name, 100.0 * perVoice, perVoice * 128.0 / 44100.0 * 1e6,
                    static_cast<int>(1.0 / perVoice));
    }
}

} // namespace
} // namespace vorel::test
