#include "platform/CommandLine.h"

#include <gtest/gtest.h>

namespace vorel::test {
namespace {

const ProgramDescription waveEditor{"vorel", "[FILE.vorelwf]", "The wave editor.", false};
const ProgramDescription soundEditor{"vorel-sound-editor", "[FILE...]", "The sound editor.", true};

TEST(CommandLineTest, HelpAndVersionAreAnsweredAndFilesAreKeptInOrder) {
    const CommandLine version = readCommandLine({"/x/vorel", "--version"}, waveEditor);
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.output, "vorel " + programVersion() + "\n");

    const CommandLine help = readCommandLine({"./build/bin/vorel-sound-editor", "-h"}, soundEditor);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.output.startsWith("Usage: vorel-sound-editor [options] [FILE...]"))
        << help.output.toStdString();
    EXPECT_TRUE(help.output.contains("--version"));

    // Qt's own options are left to the application object, which takes them away.
    const CommandLine files = readCommandLine(
        {"vorel-sound-editor", "a.vorelwf", "-platform", "offscreen", "b.vorelsqf"}, soundEditor);
    EXPECT_FALSE(files.exitStatus);
    EXPECT_EQ(files.files, (QStringList{"a.vorelwf", "offscreen", "b.vorelsqf"}));
    EXPECT_EQ(readCommandLine({"vorel-sound-editor", "a.vorelwf", "b.vorelsqf"}, soundEditor).files,
              (QStringList{"a.vorelwf", "b.vorelsqf"}));
}

TEST(CommandLineTest, UnknownOptionsAndTooManyFilesAreSaidOnceQtHasTakenItsOwn) {
    EXPECT_EQ(checkUnknownOptions({"vorel", "a.vorelwf"}, waveEditor), "");
    EXPECT_EQ(checkUnknownOptions({"vorel", "--colour"}, waveEditor), "Unknown option 'colour'.");
    EXPECT_EQ(checkUnknownOptions({"vorel", "a.vorelwf", "b.vorelwf"}, waveEditor),
              "vorel opens one file at a time.");
    EXPECT_EQ(checkUnknownOptions({"vorel-sound-editor", "a", "b", "c"}, soundEditor), "");
}

} // namespace
} // namespace vorel::test
