#include "common/FileIo.h"
#include "common/RecoveryIndex.h"
#include "common/RecoveryStore.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::byte> bytesOf(std::string_view text) {
    const auto bytes = std::as_bytes(std::span(text));
    return {bytes.begin(), bytes.end()};
}

void writeText(const std::string& path, std::string_view text) {
    ASSERT_TRUE(writeFileAtomically(path, bytesOf(text)));
}

TEST(RecoveryIndexTest, KeepsAnyNameAndPathAndRefusesWhatItCannotTrust) {
    const RecoveryIndex index{"vorel-sound-editor",
                              {4711, 1234567},
                              132,
                              3,
                              {{DocumentKind::sequence,
                                "s.vorelsqf",
                                "two\nlines \\ and spaces",
                                "/home/ada/my songs/demo.vorelsqf",
                                {}},
                               {DocumentKind::sound, "s.vorelsf", "", "", {}},
                               {DocumentKind::wave, "", "saw", "/w/saw.vorelwf",
                                FileFingerprint{800, 0x0123456789abcdef}}}};
    const std::string text = encodeRecoveryIndex(index);
    EXPECT_NE(text.find("size 800\nchecksum 0123456789abcdef\n"), std::string::npos) << text;
    const Result<RecoveryIndex> read = decodeRecoveryIndex(text);
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(read.value(), index);

    const std::string start = "vorel recovery 1\nprogram vorel\nprocess 1 2\n";
    const std::pair<std::string, std::string> damaged[] = {
        {"", "line 1"},
        {"vorel recovery 2\nprogram vorel\nprocess 1 2\n", "line 1"},
        {"vorel recovery 1\nprogram vorel\n", "process is missing"},
        {start + "process 3 4\n", "line 4: \"process\" a second time"},
        {start + "colour blue\n", "line 4: unknown entry \"colour\""},
        {start + "tempo fast\n", "line 4"},
        {start + "file a.vorelwf\n", "before any document"},
        {start + "document wave\nfile ../../.profile\n", "line 5"},
        {start + "document wave\nfile a\nname a\\q\n", "line 6: a broken escape"},
        {start + "document wave\nfile a\ndocument wave\nfile b\n", "line 6: a second wave"},
        {start + "document wave\n", "the last document has no file"},
        {start + "document chord\nfile a\n", "unknown document kind"},
        {start + "document wave\npath /a\nsize 800\n", "the last document has no file"},
        {start + "document wave\npath /a\nsize 8\nchecksum 12\n", "line 7: \"12\" is not a"},
        {start + "document wave\nfile a\nsize 8\ndocument sound\n", "above has a file and a"},
    };
    for (const auto& [text, reason] : damaged) {
        const Result<RecoveryIndex> refused = decodeRecoveryIndex(text);
        ASSERT_FALSE(refused) << text;
        EXPECT_NE(refused.error().find(reason), std::string::npos) << refused.error();
    }
}

TEST(RecoveryIndexTest, CopiesLiveUnderTheStateHomeWhenItIsAnAbsolutePath) {
    EXPECT_EQ(recoveryFolderFrom("/state", "/home/ada"), "/state/vorel/recovery");
    EXPECT_EQ(recoveryFolderFrom("state", "/home/ada"), "/home/ada/.local/state/vorel/recovery");
    EXPECT_EQ(recoveryFolderFrom(nullptr, "/home/ada"), "/home/ada/.local/state/vorel/recovery");
    EXPECT_EQ(recoveryFolderFrom(nullptr, nullptr), "");
}

TEST(RecoveryStoreTest, HoldsACopyOfEachModifiedDocumentAndRemovesTheRest) {
    TempFolder temp;
    const std::string folder = temp.file("state/vorel/recovery");
    RecoveryStore store(folder, "vorel-sound-editor");
    RecoveryStore::Snapshot both;
    both.index.tempo = 99;
    both.index.documents = {{DocumentKind::sequence, {}, "demo", "/x/demo.vorelsqf", {}},
                            {DocumentKind::sound, {}, "", "", {}},
                            {DocumentKind::wave, {}, "saw", "/x/saw.vorelwf", FileFingerprint{}}};
    both.contents = {bytesOf("notes"), bytesOf("sound"), {}};
    store.write(both);
    store.waitUntilWritten();

    // The folders are the user's alone; the index names this process and each copy.
    EXPECT_EQ(fs::status(temp.file("state/vorel")).permissions(), fs::perms::owner_all);
    const auto index = readFileBytes(store.indexPath(), 4096);
    ASSERT_TRUE(index);
    const std::string text(reinterpret_cast<const char*>(index.value().data()),
                           index.value().size());
    const Result<RecoveryIndex> read = decodeRecoveryIndex(text);
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(read.value().process, currentProcess());
    EXPECT_EQ(read.value().tempo, 99);
    ASSERT_EQ(read.value().documents.size(), 3u);
    EXPECT_EQ(folder + "/" + read.value().documents[0].file,
              store.copyPath(DocumentKind::sequence));
    // The unmodified wave is named by its own file and has no copy.
    EXPECT_EQ(read.value().documents[2], both.index.documents[2]);
    EXPECT_FALSE(fs::exists(store.copyPath(DocumentKind::wave)));
    EXPECT_EQ(readFileBytes(store.copyPath(DocumentKind::sequence), 100).value(), bytesOf("notes"));

    // The sound settings were saved: their copy goes. Then a clean exit takes the rest.
    RecoveryStore::Snapshot sequenceOnly = both;
    sequenceOnly.index.documents.erase(sequenceOnly.index.documents.begin() + 1);
    sequenceOnly.contents.erase(sequenceOnly.contents.begin() + 1);
    ASSERT_TRUE(store.writeNow(sequenceOnly));
    EXPECT_FALSE(fs::exists(store.copyPath(DocumentKind::sound)));
    EXPECT_TRUE(fs::exists(store.copyPath(DocumentKind::sequence)));
    ASSERT_TRUE(store.writeNow({}));
    EXPECT_TRUE(fs::is_empty(folder));

    // A folder that cannot be made is reported from the writing thread.
    writeText(temp.file("blocked"), "a file, not a folder");
    RecoveryStore blocked(temp.file("blocked/recovery"), "vorel");
    std::string reported;
    blocked.onFailure([&reported](const std::string& reason) { reported = reason; });
    blocked.write(both);
    blocked.waitUntilWritten();
    EXPECT_NE(reported.find("blocked"), std::string::npos) << reported;
}

TEST(RecoveryStoreTest, LeftWorkIsThatOfEndedProcessesOfTheProgramAndDamagedIndexesGoAside) {
    TempFolder temp;
    const std::string folder = temp.path().string();
    ProcessIdentity ended = currentProcess();
    ended.startTime += 1; // the same id, given to an earlier process that has ended
    auto leave = [&](const std::string& name, const std::string& program, ProcessIdentity process) {
        RecoveryIndex index{
            program, process, {}, {}, {{DocumentKind::wave, name + ".vorelwf", "", "", {}}}};
        writeText(folder + "/" + name + ".vorelwf", "wave");
        writeText(folder + "/" + name + ".index", encodeRecoveryIndex(index));
    };
    leave("ended", "vorel", ended);
    leave("running", "vorel", currentProcess());
    leave("other", "vorel-sound-editor", ended);
    writeText(folder + "/broken.index", "vorel recovery 1\nprogram vorel\n");

    const LeftWorkSearch search = findLeftWork(folder, "vorel");
    ASSERT_EQ(search.found.size(), 1u);
    EXPECT_EQ(search.found[0].indexPath, folder + "/ended.index");
    ASSERT_EQ(search.damaged.size(), 1u);
    EXPECT_NE(search.damaged[0].find("broken.index: "), std::string::npos) << search.damaged[0];
    EXPECT_TRUE(fs::exists(folder + "/broken.index.damaged"));
    EXPECT_TRUE(findLeftWork(folder, "vorel").damaged.empty());

    removeLeftWork(folder, search.found[0]);
    EXPECT_FALSE(fs::exists(folder + "/ended.index"));
    EXPECT_FALSE(fs::exists(folder + "/ended.vorelwf"));
    EXPECT_TRUE(fs::exists(folder + "/running.vorelwf"));
    EXPECT_FALSE(isRunning(ended));
    EXPECT_TRUE(isRunning(currentProcess()));
}

} // namespace
} // namespace vorel::test
