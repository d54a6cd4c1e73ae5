#include "platform/FileCommands.h"

#include "support/FakeDialogs.h"

#include <gtest/gtest.h>

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
    EXPECT_FALSE(files.chooseToSave({"Save", "f", "s", {}}));
    EXPECT_EQ(files.chooseToSave({"Save", "f", "s", {}}), QString("/tmp/y.vorelsf"));
    ASSERT_EQ(dialogs.asked.size(), 3u);
    EXPECT_EQ(dialogs.asked[0].request.initialPath, "");
    EXPECT_EQ(dialogs.asked[1].request.initialPath, "/tmp/x.vorelwf");
    EXPECT_EQ(dialogs.asked[2].request.initialPath, "/tmp/x.vorelwf");
    EXPECT_EQ(files.lastPath(), "/tmp/y.vorelsf");
    // The engine gets the path in the file system's encoding.
    EXPECT_EQ(enginePath(QString::fromUtf8("/tmp/\xC3\xA9t\xC3\xA9")), "/tmp/\xC3\xA9t\xC3\xA9");
}

} // namespace
} // namespace vorel::test
