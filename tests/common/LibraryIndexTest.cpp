#include "common/Library.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

void writeText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
}

TEST(LibraryIndexTest, ReadsEntriesAndNamesEveryMalformedLine) {
    const Library library = parseLibraryIndex(
        "# a comment\n"
        "\n"
        "instrument | Warm pad | Pad | waves/pad.vorelwf | sounds/pad.vorelsf | Soft | and slow\n"
        "  song|Chords|Warm pad|80|/abs/chords.vorelsqf|\r\n"
        "instrument | Bare | Pad | waves/bare.vorelwf\n"
        "instrument | Warm pad | Pad | waves/x.vorelwf | sounds/x.vorelsf | again\n"
        "instrument | Odd | Pad | waves/odd.wav | sounds/odd.vorelsf | a WAV\n"
        "instrument | Lost |  | waves/l.vorelwf | sounds/l.vorelsf | no category\n"
        "song | Fast | Warm pad | 300 | songs/fast.vorelsqf | too fast\n"
        "song | Slowish | Warm pad | 90bpm | songs/s.vorelsqf | not a number\n"
        "drum | Kick | Percussion\n",
        "/lib", "/lib/index.txt", true);
    ASSERT_EQ(library.instruments.size(), 1u);
    const LibraryInstrument& pad = library.instruments[0];
    EXPECT_EQ(pad.name, "Warm pad");
    EXPECT_EQ(pad.category, "Pad");
    EXPECT_EQ(pad.wavePath, "/lib/waves/pad.vorelwf");
    EXPECT_EQ(pad.soundPath, "/lib/sounds/pad.vorelsf");
    EXPECT_EQ(pad.description, "Soft | and slow"); // the rest of the line
    EXPECT_TRUE(pad.own);
    ASSERT_EQ(library.songs.size(), 1u);
    EXPECT_EQ(library.songs[0].tempo, 80);
    EXPECT_EQ(library.songs[0].sequencePath, "/abs/chords.vorelsqf");
    EXPECT_EQ(library.songFor("Warm pad"), &library.songs[0]);
    const std::vector<std::string> expected{
        "/lib/index.txt line 5: an instrument has six fields, \"instrument | NAME | CATEGORY | "
        "WAVE FILE | SOUND FILE | DESCRIPTION\", this line 4",
        "/lib/index.txt line 6: a second instrument named \"Warm pad\" (the first is on line 3)",
        "/lib/index.txt line 7: the wave file \"waves/odd.wav\" does not end in .vorelwf",
        "/lib/index.txt line 8: the instrument \"Lost\" has no category",
        "/lib/index.txt line 9: the tempo \"300\" is not a whole number of 80..220",
        "/lib/index.txt line 10: the tempo \"90bpm\" is not a whole number of 80..220",
        "/lib/index.txt line 11: an entry starts with \"instrument\" or \"song\", not \"drum\""};
    EXPECT_EQ(library.problems, expected);
}

TEST(LibraryIndexTest, TheUsersInstrumentsJoinTheInstalledOnes) {
    TempFolder temp;
    const std::string installed = temp.file("share/vorel/library");
    const std::string own = temp.file("data/vorel/library");
    for (const char* file : {"w.vorelwf", "s.vorelsf", "q.vorelsqf"}) {
        writeText(installed + "/" + file, "");
        writeText(own + "/" + file, "");
    }
    writeText(installed + "/index.txt", "instrument | organ | Organ | w.vorelwf | s.vorelsf | o\n"
                                        "instrument | gone | Organ | no.vorelwf | s.vorelsf | g\n");
    writeText(own + "/index.txt", "instrument | organ | Mine | w.vorelwf | s.vorelsf | twice\n"
                                  "instrument | mine | Mine | w.vorelwf | s.vorelsf | m\n"
                                  "song | tune | organ | 120 | q.vorelsqf | for the installed\n"
                                  "song | orphan | nobody | 120 | q.vorelsqf | for none\n");
    const Library library = loadLibrary(installed, own);
    ASSERT_EQ(library.instruments.size(), 2u);
    EXPECT_FALSE(library.instruments[0].own);
    EXPECT_EQ(library.instruments[1].name, "mine");
    EXPECT_TRUE(library.instruments[1].own);
    EXPECT_EQ(library.categories(), (std::vector<std::string>{"Organ", "Mine"}));
    ASSERT_EQ(library.songs.size(), 1u);
    EXPECT_EQ(library.songs[0].name, "tune");
    const std::vector<std::string> expected{
        "the instrument \"gone\" is left out: " + installed + "/no.vorelwf is missing",
        own + "/index.txt: the instrument \"organ\" is left out: the installed library has one "
              "of that name",
        "the song \"orphan\" is left out: no instrument is named \"nobody\""};
    EXPECT_EQ(library.problems, expected);

    // Found beside the program, and the user's by the XDG rules.
    fs::create_directories(temp.file("bin"));
    EXPECT_EQ(installedLibraryFolder(temp.file("bin")), installed);
    // A program of the build folder, with nothing installed beside it: the tree's library.
    EXPECT_EQ(installedLibraryFolder(temp.file("build/bin")), VOREL_LIBRARY_DIR);
    const char* data = std::getenv("XDG_DATA_HOME");
    const std::string kept = data ? data : "";
    setenv("XDG_DATA_HOME", temp.file("data").c_str(), 1);
    EXPECT_EQ(userLibraryFolder(), own);
    setenv("XDG_DATA_HOME", "relative", 1); // not absolute: ignored, as the rules say
    EXPECT_EQ(userLibraryFolder(),
              std::string(std::getenv("HOME")) + "/.local/share/vorel/library");
    if (data)
        setenv("XDG_DATA_HOME", kept.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace vorel::test
