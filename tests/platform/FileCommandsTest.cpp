#include "platform/FileCommands.h"

#include "support/FakeDialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

namespace vorel::test {
namespace {

TEST(FileCommandsTest, LoadAndSaveFailuresHaveOneWordingAndAFailedCloseSaysSoFirst) {
    FakeDialogs dialogs;
    FileCommands files(dialogs, nullptr);
    files.reportLoadFailure("/tmp/a b.vorelwf", "it is too short");
    files.reportSaveFailure("/tmp/c.vorelsf", Status::failure("cannot write it: No space"));
    files.reportSaveFailure(
        "/tmp/d.WAV", Status::failure("cannot close it: I/O error", Status::Kind::closeFailed));
    EXPECT_EQ(
        dialogs.messages,
        (std::vector<QString>{
            "ERROR: Loading \"/tmp/a b.vorelwf\" failed:\nit is too short",
            "ERROR: Saving \"/tmp/c.vorelsf\" failed:\ncannot write it: No space",
            "ERROR: Error CloseHandle\nSaving \"/tmp/d.WAV\" failed:\ncannot close it: I/O error",
        }));
}

TEST(FileCommandsTest, EveryDialogStartsAtThePathChosenLastAndCancellingKeepsIt) {
    FakeDialogs dialogs;
    FileCommands files(dialogs, nullptr);
    dialogs.answers = {"/tmp/x.vorelwf", "", "/tmp/y.vorelsf"};
    EXPECT_EQ(files.chooseToLoad({"Load", "f", "s", "ignored"}), QString("/tmp/x.vorelwf"));
    EXPECT_FALSE(files.chooseToSave({"Save", "f", "vorelwf", {}}));
    EXPECT_EQ(files.chooseToSave({"Save", "f", "vorelwf", {}}), QString("/tmp/y.vorelsf"));
    ASSERT_EQ(dialogs.asked.size(), 3u);
    EXPECT_EQ(dialogs.asked[0].request.initialPath, "");
    EXPECT_EQ(dialogs.asked[1].request.initialPath, "/tmp/x.vorelwf");
    EXPECT_EQ(dialogs.asked[2].request.initialPath, "/tmp/x.vorelwf");
    EXPECT_EQ(files.lastPath(), "/tmp/y.vorelsf");
    // The engine gets the path in the file system's encoding.
    EXPECT_EQ(enginePath(QString::fromUtf8("/tmp/\xC3\xA9t\xC3\xA9")), "/tmp/\xC3\xA9t\xC3\xA9");
}

TEST(FileCommandsTest, SaveSuggestionsReplaceTheSuffixOfAKnownKindOnly) {
    EXPECT_EQ(withSuffix("/a/demo.vorelsqf", "WAV"), "/a/demo.WAV");
    EXPECT_EQ(withSuffix("/a/demo.WAV", "vorelsf"), "/a/demo.vorelsf");
    EXPECT_EQ(withSuffix("/a/my.song", "vorelsf"), "/a/my.song.vorelsf");
    EXPECT_EQ(withSuffix("/a.b/demo", "vorelwf"), "/a.b/demo.vorelwf");
}

// The folder of the last file used outlives the program; before, the dialogs start among the
// installed examples (none beside a test program, so nowhere in particular).
TEST(FileCommandsTest, AProgramRemembersTheFolderOfTheLastFileUsedAcrossRuns) {
    const QString program = QStringLiteral("vorel-file-commands-test");
    QSettings(QStringLiteral("vorel"), program).clear();
    QTemporaryDir folder;
    FakeDialogs dialogs;
    {
        FileCommands files(dialogs, nullptr);
        files.rememberFoldersAs(program);
        EXPECT_FALSE(files.chooseToLoad({"Load", "f", "vorelwf", {}}));
        files.used(folder.filePath("dropped.vorelwf"));
    }
    FileCommands nextRun(dialogs, nullptr);
    nextRun.rememberFoldersAs(program);
    EXPECT_FALSE(nextRun.chooseToSave({"Save", "f", "vorelwf", {}}));
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[0].request.initialPath, installedExamplesFolder());
    EXPECT_EQ(QDir(dialogs.asked[1].request.initialPath), QDir(folder.path()));
    QSettings(QStringLiteral("vorel"), program).clear();
}

} // namespace
} // namespace vorel::test
