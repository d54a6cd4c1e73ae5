#include "sound_editor_io/SequenceFile.h"
#include "common/ByteOrder.h"
#include "common/FileIo.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vorel::test {
namespace {

std::vector<std::byte> records(std::initializer_list<std::array<int, 5>> notes) {
    std::vector<std::byte> bytes;
    for (const auto& note : notes)
        for (int field : note)
            le::appendI16(bytes, static_cast<std::int16_t>(field));
    return bytes;
}

TEST(SequenceFileTest, OneNoteIsTenBytesOfFiveIntegers) {
    SequenceData s;
    s.placeNote(2 * 96 + 5, 12, 24, 7, 9);
    EXPECT_EQ(encodeSequenceFile(s), records({{197, 12, 24, 7, 9}}));
    EXPECT_TRUE(encodeSequenceFile(SequenceData{}).empty());
}

TEST(SequenceFileTest, RoundTripKeepsEveryNoteInGridOrder) {
    SequenceData s;
    s.placeNote(7679, 72, 384, 9, 0); // runs past the end of the grid
    s.placeNote(100, 5, 30, 1, 2);
    s.placeNote(110, 5, 30, 3, 4); // overlaps the note before on the same key
    s.placeNote(100, 4, 1, 0, 0);  // lengths below 3 come only from files
    s.placeNote(0, 0, 2, 5, 5);
    auto bytes = encodeSequenceFile(s);
    EXPECT_EQ(bytes, records({{0, 0, 2, 5, 5},
                              {100, 4, 1, 0, 0},
                              {100, 5, 30, 1, 2},
                              {110, 5, 30, 3, 4},
                              {7679, 72, 384, 9, 0}}));
    auto notes = decodeSequenceFile(bytes);
    ASSERT_TRUE(notes) << notes.error();
    SequenceData loaded;
    loaded.tempo = 95;
    loadNotes(loaded, notes.value());
    EXPECT_TRUE(loaded.sameNotes(s));
    EXPECT_EQ(loaded.tempo, 95);
}

TEST(SequenceFileTest, ARecordOfLengthZeroEndsTheSequence) {
    auto notes = decodeSequenceFile(
        records({{5, 5, 10, 1, 1}, {0, 0, 0, 0, 0}, {9, 9, 9, 9, 9}, {-5, 99, -1, 50, 50}}));
    ASSERT_TRUE(notes) << notes.error();
    EXPECT_EQ(notes.value().size(), 1u);
}

TEST(SequenceFileTest, RefusesDamagedFilesNamingTheRecord) {
    const std::pair<std::vector<std::byte>, std::string> cases[] = {
        {records({{0, 0, 3, 0, 0}, {7680, 0, 3, 0, 0}}), "record 2"},
        {records({{-1, 0, 3, 0, 0}}), "tick"},
        {records({{0, 73, 3, 0, 0}}), "key"},
        {records({{0, -1, 3, 0, 0}}), "key"},
        {records({{0, 0, -3, 0, 0}}), "length"},
        {records({{0, 0, 3, 10, 0}}), "key length index"},
        {records({{0, 0, 3, 0, -1}}), "velocity index"},
    };
    for (const auto& [bytes, words] : cases) {
        auto notes = decodeSequenceFile(bytes);
        ASSERT_FALSE(notes) << words;
        EXPECT_NE(notes.error().find(words), std::string::npos) << notes.error();
    }
    auto truncated = records({{0, 0, 3, 0, 0}, {1, 1, 3, 0, 0}});
    truncated.pop_back();
    auto notes = decodeSequenceFile(truncated);
    ASSERT_FALSE(notes);
    EXPECT_NE(notes.error().find("19 bytes"), std::string::npos) << notes.error();
}

TEST(SequenceFileTest, RefusedLoadLeavesTheSequenceAsItWas) {
    TempFolder folder;
    SequenceData s;
    s.placeNote(10, 10, 10, 1, 1);
    s.sequenceName = nameFromTitle(u"mine");
    const std::string bad = folder.file("bad.vorelsqf");
    ASSERT_TRUE(writeFileAtomically(bad, records({{0, 0, 3, 0, 0}, {0, 80, 3, 0, 0}})));
    EXPECT_FALSE(loadSequenceFile(bad, s));
    EXPECT_FALSE(loadSequenceFile(folder.file("missing.vorelsqf"), s));
    EXPECT_EQ(s.noteCount(), 1u);
    EXPECT_EQ(s.cell(10, 10).noteLength, 10);
    EXPECT_EQ(s.cell(11, 10).mark, 1);

    const std::string good = folder.file("good.vorelsqf");
    ASSERT_TRUE(saveSequenceFile(good, SequenceData{}));
    EXPECT_EQ(readFileBytes(good, 10).value().size(), 0u);
    ASSERT_TRUE(loadSequenceFile(good, s)); // an empty file empties the grid
    EXPECT_EQ(s.noteCount(), 0u);
    EXPECT_EQ(s.cell(11, 10).mark, 0);
}

TEST(SequenceFileTest, AFullGridFitsAndBytesBeyondItAreIgnored) {
    SequenceData full;
    for (int t = 0; t < tickCount; ++t)
        for (int k = 0; k < keyCount; ++k)
            full.placeNote(t, k, 3, t % 10, k % 10);
    auto bytes = encodeSequenceFile(full);
    ASSERT_EQ(bytes.size(), maxSequenceFileSize);
    bytes.resize(bytes.size() + 15, std::byte{0x55});
    auto notes = decodeSequenceFile(bytes);
    ASSERT_TRUE(notes) << notes.error();
    EXPECT_EQ(notes.value().size(), maxNoteRecords);
}

} // namespace
} // namespace vorel::test
