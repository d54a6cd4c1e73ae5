#include "tools/RenderCommand.h"
#include "common/ByteOrder.h"
#include "common/FileIo.h"
#include "common/WaveFile.h"
#include "sequencer/SequenceData.h"
#include "sound_editor_io/SequenceFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <sstream>

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

class RenderCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WaveData wave{};
        wave[0] = 1.0;
        wave[2] = 0.4;
        ASSERT_TRUE(writeFileAtomically(file("w.vorelwf"), encodeWaveFile(wave)));
        SequenceData s;
        s.placeNote(0, 30, 12, 9, 9);
        s.placeNote(6, 45, 6, 4, 6);
        ASSERT_TRUE(writeFileAtomically(file("q.vorelsqf"), encodeSequenceFile(s)));
    }
    std::string file(const std::string& name) const { return temp.file(name); }
    // With progress, a bar is drawn on err once the work starts.
    int run(std::vector<std::string> args, bool progress = false) {
        out.str({});
        err.str({});
        return render::runRenderCommand(args, out, err, progress);
    }
    std::vector<std::byte> bytesOf(const std::string& name) {
        return readFileBytes(file(name), 30'000'000).value();
    }

    TempFolder temp;
    std::ostringstream out, err;
};

TEST_F(RenderCommandTest, RendersASequenceToAWavFile) {
    ASSERT_EQ(run({"sequence", "--wave", file("w.vorelwf"), "--sequence", file("q.vorelsqf"), "-o",
                   file("out.wav")}),
              0)
        << err.str();
    auto bytes = bytesOf("out.wav");
    ASSERT_GT(bytes.size(), 44u + 2 * 10000u);
    EXPECT_EQ(le::readU32(bytes, 40), bytes.size() - 44);
    int peak = 0;
    for (std::size_t i = 44; i < bytes.size(); i += 2)
        peak = std::max(peak, std::abs(static_cast<int>(le::readI16(bytes, i))));
    EXPECT_EQ(peak, 25000);
    EXPECT_NE(le::readI16(bytes, bytes.size() - 2), 0); // ends at the last non-zero sample
}

TEST_F(RenderCommandTest, ReferenceAndAnyThreadCountGiveTheSameBytes) {
    const std::vector<std::string> common{"sequence",
                                          "--wave",
                                          file("w.vorelwf"),
                                          "--sound",
                                          VOREL_EXAMPLES_DIR "/soft-lead.vorelsf",
                                          "--sequence",
                                          file("q.vorelsqf"),
                                          "--tempo",
                                          "97"};
    auto with = [&](std::vector<std::string> extra, const std::string& name) {
        auto args = common;
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back("-o");
        args.push_back(file(name));
        EXPECT_EQ(run(args), 0) << err.str();
        return bytesOf(name);
    };
    auto reference = with({"--reference"}, "ref.wav");
    EXPECT_EQ(with({}, "fast.wav"), reference);
    EXPECT_EQ(with({"--threads", "1"}, "one.wav"), reference);
    EXPECT_EQ(with({"--threads", "3"}, "three.wav"), reference);
}

TEST_F(RenderCommandTest, PreviewsWriteFourFiles) {
    ASSERT_EQ(run({"previews", "--wave", file("w.vorelwf"), "-o", file("p")}), 0) << err.str();
    for (const char* hz : {"110", "220", "440", "880"}) {
        auto bytes = bytesOf(std::string("p-") + hz + ".wav");
        // start settings: 101430 samples at most
        EXPECT_GT(bytes.size(), 44u + 2 * 100000u) << hz;
        EXPECT_LE(bytes.size(), 44u + 2 * 101430u) << hz;
    }
}

TEST_F(RenderCommandTest, UsageErrorsExitWith2AndShowTheUsage) {
    const std::vector<std::vector<std::string>> cases{
        {},
        {"dance"},
        {"sequence", "--wave", file("w.vorelwf"), "-o", file("x.wav")},
        {"sequence", "--wave", file("w.vorelwf"), "--sequence", file("q.vorelsqf"), "--tempo", "79",
         "-o", file("x.wav")},
        {"sequence", "--wave", file("w.vorelwf"), "--sequence", file("q.vorelsqf"), "--tempo",
         "fast", "-o", file("x.wav")},
        {"previews", "--wave", file("w.vorelwf"), "--sequence", file("q.vorelsqf"), "-o", "p"},
        {"previews", "--wave", file("w.vorelwf"), "--threads", "0", "-o", "p"},
        {"previews", "--wave"},
        {"previews", "--bogus"},
        {"sequence", "--wave", file("w.vorelwf"), "--sequence", file("q.vorelsqf"), "-o", ""},
        {"sequence", "--wave", file("w.vorelwf"), "--sequence", file("q.vorelsqf"), "-o",
         "--quiet"},
        {"previews", "--wave", file("w.vorelwf"), "-o", "-"},
        {"wave-previews", "--wave", file("w.vorelwf"), "-o", "-"},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(run(args), 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(err.str().find("usage:"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(file("x.wav")));
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(out.str().find("vorel-render sequence"), std::string::npos);
    EXPECT_EQ(run({"--version"}), 0);
}

TEST_F(RenderCommandTest, UnreadableOrRefusedFilesExitWith1AndLeaveNoOutput) {
    WaveData nan{};
    nan[3] = std::numeric_limits<double>::quiet_NaN();
    ASSERT_TRUE(writeFileAtomically(file("nan.vorelwf"), encodeWaveFile(nan)));
    ASSERT_TRUE(writeFileAtomically(file("odd.vorelsqf"), std::vector<std::byte>(15)));
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"sequence", "--wave", file("missing.vorelwf"), "--sequence", file("q.vorelsqf"), "-o",
          file("x.wav")},
         "missing.vorelwf"},
        {{"sequence", "--wave", file("nan.vorelwf"), "--sequence", file("q.vorelsqf"), "-o",
          file("x.wav")},
         "harmonic 4"},
        {{"sequence", "--wave", file("w.vorelwf"), "--sequence", file("odd.vorelsqf"), "-o",
          file("x.wav")},
         "odd.vorelsqf"},
        {{"sequence", "--wave", file("w.vorelwf"), "--sound", file("q.vorelsqf"), "--sequence",
          file("q.vorelsqf"), "-o", file("x.wav")},
         "100 bytes"},
        {{"previews", "--wave", file("w.vorelwf"), "-o", file("no/such/dir/p")}, "p-110.wav"},
    };
    for (const auto& [args, words] : cases) {
        EXPECT_EQ(run(args), 1) << words;
        const std::string message = err.str();
        EXPECT_NE(message.find(words), std::string::npos) << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    }
    EXPECT_FALSE(fs::exists(file("x.wav")));
}

TEST_F(RenderCommandTest, PreviewsThatCannotAllBeWrittenLeaveEveryEarlierFile) {
    fs::create_directories(temp.path() / "d" / "p-440.wav");
    const std::vector<std::byte> old{std::byte{'O'}, std::byte{'L'}, std::byte{'D'}};
    ASSERT_TRUE(writeFileAtomically(file("d/p-110.wav"), old));
    EXPECT_EQ(run({"previews", "--wave", file("w.vorelwf"), "-o", file("d/p")}, true), 1);
    EXPECT_NE(err.str().find("p-440.wav: it is a folder"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("Computing"), std::string::npos) << "refused only after the work";
    auto kept = readFileBytes(file("d/p-110.wav"), 100);
    ASSERT_TRUE(kept) << "the earlier p-110.wav is gone";
    EXPECT_EQ(kept.value(), old);
    EXPECT_FALSE(fs::exists(file("d/p-220.wav")));
    EXPECT_FALSE(fs::exists(file("d/p-880.wav")));
}

TEST_F(RenderCommandTest, OutputGoesToStandardOutputOrIsCheckedBeforeTheWork) {
    const std::vector<std::string> render{"sequence",   "--wave",           file("w.vorelwf"),
                                          "--sequence", file("q.vorelsqf"), "-o"};
    auto to = [&](const std::string& output) {
        auto args = render;
        args.push_back(output);
        return run(args, true);
    };
    ASSERT_EQ(to(file("file.wav")), 0) << err.str();
    ASSERT_EQ(to("-"), 0) << err.str();
    const std::string piped = out.str();
    const auto written = bytesOf("file.wav");
    EXPECT_TRUE(std::equal(piped.begin(), piped.end(), written.begin(), written.end(),
                           [](char c, std::byte b) { return static_cast<std::byte>(c) == b; }));

    EXPECT_EQ(to(file("no/such/folder/x.wav")), 1);
    EXPECT_NE(err.str().find("x.wav: its folder does not exist"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("Rendering"), std::string::npos) << "refused only after the work";
}

TEST_F(RenderCommandTest, WavePreviewsWriteThreeFiveSecondTones) {
    WaveData lone{};
    lone[0] = 1.0;
    ASSERT_TRUE(writeFileAtomically(file("lone.vorelwf"), encodeWaveFile(lone)));
    ASSERT_EQ(run({"wave-previews", "--wave", file("lone.vorelwf"), "-o", file("wp")}), 0)
        << err.str();
    for (const char* hz : {"110", "440", "880"}) {
        auto bytes = bytesOf(std::string("wp-") + hz + ".wav");
        ASSERT_EQ(bytes.size(), 44u + 2 * 220500u) << hz;
        // The fundamental and its companion start together: the peak sits at sample 0.
        EXPECT_EQ(le::readI16(bytes, 44), 15000) << hz;
    }
    EXPECT_FALSE(fs::exists(file("wp-220.wav")));
    EXPECT_EQ(run({"wave-previews", "--wave", file("lone.vorelwf"), "--sound", "x", "-o", "p"}), 2);
}

// The conversions go both ways: a sequence to a MIDI file and back, a wave to one period of
// float samples and back.
TEST_F(RenderCommandTest, MidiAndSingleCycleFilesConvertBothWays) {
    ASSERT_EQ(
        run({"midi", "--sequence", file("q.vorelsqf"), "--tempo", "150", "-o", file("q.mid")}), 0)
        << err.str();
    ASSERT_EQ(run({"from-midi", file("q.mid"), "-o", file("back.vorelsqf")}), 0) << err.str();
    EXPECT_EQ(out.str(), "Tempo: 150 beats per minute (render with --tempo 150).\n");
    SequenceData back;
    loadNotes(back, decodeSequenceFile(bytesOf("back.vorelsqf")).value());
    // The held part of each note comes back as its length, held to its end.
    EXPECT_EQ(back.cell(0, 30), (NoteCell{12, 9, 9, 1}));
    EXPECT_EQ(back.cell(6, 45), (NoteCell{3, 9, 6, 1}));
    EXPECT_EQ(back.noteCount(), 2u);

    WaveData wave{};
    wave[0] = 0.5;
    wave[4] = -0.25;
    ASSERT_TRUE(writeFileAtomically(file("two.vorelwf"), encodeWaveFile(wave)));
    ASSERT_EQ(
        run({"cycle", "--wave", file("two.vorelwf"), "--length", "512", "-o", file("two.wav")}), 0)
        << err.str();
    EXPECT_EQ(bytesOf("two.wav").size(), 58u + 4 * 512u);
    ASSERT_EQ(run({"from-cycle", file("two.wav"), "-o", file("two-back.vorelwf")}), 0) << err.str();
    const WaveData returned = decodeWaveFile(bytesOf("two-back.vorelwf")).value();
    EXPECT_NEAR(returned[0], 1.0, 1e-6); // scaled to a largest magnitude of 1.0
    EXPECT_NEAR(returned[4], -0.5, 1e-6);

    EXPECT_EQ(run({"from-midi", "-o", file("x.vorelsqf")}), 2);
    EXPECT_EQ(run({"cycle", "--wave", file("two.vorelwf"), "--length", "63", "-o", "x"}), 2);
    EXPECT_EQ(run({"from-midi", file("two.wav"), "-o", file("x.vorelsqf")}), 1);
    EXPECT_NE(err.str().find("two.wav: "), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(file("x.vorelsqf")));
}

// FLAC holds the very samples of the WAV; sox decodes it independently.
TEST_F(RenderCommandTest, ARenderingToFlacDecodesToTheSamplesOfTheWav) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "sox is not installed";
    const std::vector<std::string> render{"sequence",   "--wave",           file("w.vorelwf"),
                                          "--sequence", file("q.vorelsqf"), "-o"};
    for (const char* name : {"r.wav", "r.flac"}) {
        auto args = render;
        args.push_back(file(name));
        ASSERT_EQ(run(args), 0) << err.str();
    }
    const std::string decode =
        "sox '" + file("r.flac") + "' -t raw -e signed -b 16 -L '" + file("r.raw") + "'";
    ASSERT_EQ(std::system(decode.c_str()), 0);
    const auto wav = bytesOf("r.wav");
    const auto raw = bytesOf("r.raw");
    ASSERT_EQ(raw.size() + 44, wav.size());
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), wav.begin() + 44));
}

TEST_F(RenderCommandTest, Lv2PresetsGoIntoOneBundleFolderEachNamedAfterItsSound) {
    const std::string bundle = file("mine.lv2");
    fs::copy_file(VOREL_EXAMPLES_DIR "/soft-lead.vorelsf", file("soft lead.vorelsf"));
    ASSERT_EQ(run({"lv2-preset", "--wave", file("w.vorelwf"), "--sound", file("soft lead.vorelsf"),
                   "-o", bundle}),
              0)
        << err.str();
    ASSERT_EQ(run({"lv2-preset", "--wave", VOREL_EXAMPLES_DIR "/organ.vorelwf", "--sound",
                   VOREL_EXAMPLES_DIR "/soft-lead.vorelsf", "-o", bundle}),
              0)
        << err.str();
    const auto text = [](const std::string& path) {
        auto bytes = readFileBytes(path, 1'000'000).value();
        return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    };
    // Both presets in the manifest, once each; the wave beside them, byte for byte.
    const std::string manifest = text(bundle + "/manifest.ttl");
    EXPECT_NE(manifest.find("<soft%20lead.ttl>\n    a pset:Preset"), std::string::npos);
    EXPECT_NE(manifest.find("<soft-lead.ttl>\n    a pset:Preset"), std::string::npos);
    EXPECT_EQ(manifest.find("<soft-lead.ttl>\n    a pset:Preset"),
              manifest.rfind("<soft-lead.ttl>\n    a pset:Preset"));
    EXPECT_EQ(bytesOf("mine.lv2/w.vorelwf"), bytesOf("w.vorelwf"));
    const std::string preset = text(bundle + "/soft lead.ttl");
    EXPECT_NE(preset.find("rdfs:label \"soft lead\""), std::string::npos);
    EXPECT_NE(preset.find("lv2:symbol \"attackPitch\" ;\n        pset:value 22"),
              std::string::npos);
    EXPECT_NE(preset.find("<urn:vorel:synth#wave> <w.vorelwf>"), std::string::npos);

    // A refused sound file writes nothing.
    ASSERT_TRUE(writeFileAtomically(file("bad.vorelsf"), std::vector<std::byte>(99)));
    EXPECT_EQ(run({"lv2-preset", "--wave", file("w.vorelwf"), "--sound", file("bad.vorelsf"), "-o",
                   file("other.lv2")}),
              1);
    EXPECT_FALSE(fs::exists(file("other.lv2")));
    EXPECT_EQ(
        run({"lv2-preset", "--wave", file("w.vorelwf"), "--sound", file("bad.vorelsf"), "-o", "-"}),
        2);
}

} // namespace
} // namespace vorel::test
