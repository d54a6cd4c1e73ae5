#include "sound_editor_io/SoundFile.h"
#include "common/FileIo.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vorel::test {
namespace {

SoundSettings variedSettings() {
    SoundSettings s;
    for (int number = 1; number <= parameterCount; ++number) {
        const ParameterInfo& info = parameterInfo(paramFromNumber(number));
        s.select(paramFromNumber(number), (number * 7) % info.choices);
    }
    s.select(Param::lpfReleaseLength, 31);
    return s;
}

TEST(SoundFileTest, StoresThe25IndexesInParameterOrder) {
    const SoundSettings s = variedSettings();
    auto bytes = encodeSoundFile(s);
    ASSERT_EQ(bytes.size(), 100u);
    EXPECT_EQ(bytes[0], std::byte(7 % 3));
    EXPECT_EQ(bytes[84], std::byte{31}); // parameter 22, the LPF release length
    EXPECT_EQ(bytes[85], std::byte{0});

    auto decoded = decodeSoundFile(bytes);
    ASSERT_TRUE(decoded) << decoded.error();
    EXPECT_EQ(decoded.value(), s);
    EXPECT_EQ(decoded.value().value(Param::lpfReleaseLength), 5.0);
}

TEST(SoundFileTest, RefusesShortFilesAndIndexesOutsideTheirChoices) {
    auto bytes = encodeSoundFile(variedSettings());
    auto shortFile = decodeSoundFile(std::span(bytes).first(99));
    ASSERT_FALSE(shortFile);
    EXPECT_NE(shortFile.error().find("99"), std::string::npos);
    EXPECT_FALSE(decodeSoundFile({}));

    auto damaged = bytes;
    damaged[20] = std::byte{21}; // pitchLfoAmplitude 21: a value the dialog cannot show
    auto refused = decodeSoundFile(damaged);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("pitchLfoAmplitude"), std::string::npos) << refused.error();

    damaged = bytes;
    damaged[99] = std::byte{0xFF}; // lpfLfoDelay negative
    EXPECT_FALSE(decodeSoundFile(damaged));

    auto longer = bytes;
    longer.resize(400, std::byte{0x7F});
    EXPECT_TRUE(decodeSoundFile(longer));
}

TEST(SoundFileTest, SaveAndLoadThroughTheDisk) {
    TempFolder folder;
    const std::string path = folder.file("Brass lead.vorelsf");
    ASSERT_TRUE(saveSoundFile(path, variedSettings()));
    auto loaded = loadSoundFile(path);
    ASSERT_TRUE(loaded) << loaded.error();
    EXPECT_EQ(loaded.value(), variedSettings());
    EXPECT_EQ(readFileBytes(path, 1000).value().size(), 100u);

    EXPECT_FALSE(loadSoundFile(folder.file("missing.vorelsf")));
    EXPECT_FALSE(saveSoundFile(folder.file("no/such/folder.vorelsf"), SoundSettings{}));
}

} // namespace
} // namespace vorel::test
