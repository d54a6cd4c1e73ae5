// A file of one kind given to the load of another either loads as the format allows or is named
// as what it is, with the command that loads it.
#include "common/FileIo.h"
#include "common/WaveFile.h"
#include "sequencer/SequenceData.h"
#include "sound_editor_io/MidiFile.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "sound_editor_io/WavFile.h"
#include "support/TempFolder.h"
#include "wave_editor/SingleCycle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

struct Kind {
    std::string suffix;
    std::string noun;                                    // how a refusal names a file of this kind
    std::string command;                                 // and the command it names
    std::function<std::string(const std::string&)> load; // the refusal's reason, "" when loaded
};

std::string reasonOf(const auto& result) {
    return result ? std::string() : result.error();
}

std::vector<Kind> kinds() {
    return {
        {".vorelwf", "a wave file", "\"Load wave data\"",
         [](const std::string& path) { return reasonOf(loadWaveFile(path)); }},
        {".vorelsf", "a sound file", "\"Load sound data\"",
         [](const std::string& path) { return reasonOf(loadSoundFile(path)); }},
        {".vorelsqf", "a sequence file", "\"Load sequence data\"",
         [](const std::string& path) {
             auto sequence = std::make_unique<SequenceData>();
             return reasonOf(loadSequenceFile(path, *sequence));
         }},
        {".wav", "a WAV file", "\"Import cycle from WAV...\"",
         [](const std::string& path) { return reasonOf(wave::readSingleCycleFile(path)); }},
        {".mid", "a MIDI file", "\"Import MIDI...\"",
         [](const std::string& path) { return reasonOf(readMidiFile(path)); }},
    };
}

TEST(FileKindsTest, AFileOfAnotherKindIsNamedAsWhatItIs) {
    TempFolder temp;
    const std::string examples = VOREL_EXAMPLES_DIR;
    auto demo = std::make_unique<SequenceData>();
    ASSERT_TRUE(loadSequenceFile(examples + "/demo.vorelsqf", *demo));
    std::vector<std::int16_t> cycle(256);
    for (std::size_t i = 0; i < cycle.size(); ++i)
        cycle[i] = static_cast<std::int16_t>(i < 128 ? 100 * i : 100 * (256 - i));
    const std::vector<std::vector<std::byte>> contents{
        readFileBytes(examples + "/organ.vorelwf", 1000).value(),
        readFileBytes(examples + "/soft-lead.vorelsf", 1000).value(),
        readFileBytes(examples + "/demo.vorelsqf", 100000).value(), encodeWavFile(cycle),
        encodeMidiFile(*demo)};
    const std::vector<Kind> all = kinds();
    for (std::size_t made = 0; made < all.size(); ++made) {
        // Named as its kind, and under a name that says nothing: then its size or its first
        // bytes tell (a sequence only perhaps, its size being whole note records).
        for (const std::string& name :
             {"file" + all[made].suffix, "file" + all[made].suffix + ".dat"}) {
            const std::string path = temp.file(name);
            ASSERT_TRUE(writeFileAtomically(path, contents[made]));
            ASSERT_EQ(all[made].load(path), "") << name << " is refused by its own load";
            for (std::size_t load = 0; load < all.size(); ++load) {
                if (load == made)
                    continue;
                const std::string reason = all[load].load(path);
                if (reason.empty())
                    continue; // a wave file read as a sequence is an empty one
                EXPECT_NE(reason.find(all[made].noun), std::string::npos) << name << ": " << reason;
                EXPECT_NE(reason.find(all[made].command), std::string::npos)
                    << name << ": " << reason;
            }
        }
    }
    EXPECT_EQ(all[1].load(temp.file("file.vorelwf.dat")),
              "it is a wave file by its size (800 bytes), not a sound file: \"Load wave data\" "
              "loads it in the sound editor, \"Load\" in the wave editor (as a sound file: the "
              "setting detune has index 1072693248, outside 0..9)");
    // A file of the kind asked for keeps its own reason.
    const std::string damaged = temp.file("damaged.vorelsf");
    ASSERT_TRUE(writeFileAtomically(damaged, std::vector<std::byte>(12)));
    EXPECT_EQ(all[1].load(damaged), "a sound file holds 100 bytes, this one only 12");
}

} // namespace
} // namespace vorel::test
