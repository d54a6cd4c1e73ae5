// End to end through JACK: the sound editor's window (offscreen, with a wave and a sound loaded)
// plays MIDI from the test's JACK client and its buffers into a JACK server of this process's
// own at 48000 Hz, whose "out" the test records; so does the wave editor's window with its live
// tone; the server is killed and started again.

#include "support/Deadlines.h"
#include "support/JackProbe.h"
#include "tests/sound_editor/WindowFixture.h"

#include "audio/AudioOutput.h"
#include "audio/Resampler.h"
#include "common/Pcm.h"
#include "sound_editor/Commands.h"
#include "synth/LiveEngine.h"
#include "synth/LiveTone.h"
#include "synth/PreviewTones.h"
#include "wave_editor/ui/WaveEditorWindow.h"

#include <QProcess>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <sys/prctl.h>

namespace vorel::test {
namespace {

constexpr int serverRate = 48000;
constexpr int serverPeriod = 128;
const QString examples = QStringLiteral(VOREL_EXAMPLES_DIR);
const std::string program = "vorel-sound-editor";

// The private JACK server of private-jack.sh at 48000 Hz under a name of this process's own, so
// no other test loses its server when this one is killed. Started again under the same name.
class OwnJackServer {
  public:
    OwnJackServer() { qputenv("JACK_NO_START_SERVER", "1"); }
    ~OwnJackServer() { kill(); }

    // Under the first of a few fixed names that no other server runs under: jackd keeps every
    // name it has run in a registry of eight for good.
    bool start() {
        for (const char* name : {"vorel-test-own-0", "vorel-test-own-1", "vorel-test-own-2"})
            if (name_ == name || name_.isEmpty()) {
                if (startAs(name))
                    return true;
                name_.clear();
            }
        return false;
    }

    // The server goes at once and its clients lose it, as in a crash.
    void kill() {
        if (server_.state() == QProcess::NotRunning)
            return;
        server_.terminate();
        server_.waitForFinished(hungMs);
    }

  private:
    // Whether a server answers under the name of JACK_DEFAULT_SERVER.
    static bool answers() {
        QProcess lsp;
        lsp.start("jack_lsp", {});
        return lsp.waitForFinished(hungMs) && lsp.exitStatus() == QProcess::NormalExit &&
               lsp.exitCode() == 0;
    }
    bool startAs(const QString& name) {
        qputenv("JACK_DEFAULT_SERVER", name.toLocal8Bit());
        if (answers())
            return false; // another test's server
        server_.setStandardInputFile(QProcess::nullDevice());
        server_.setStandardOutputFile(QProcess::nullDevice());
        server_.setStandardErrorFile(QProcess::nullDevice());
        // A test that dies takes its server with it.
        server_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        // The shell becomes the server, so killing the process kills the server.
        server_.start("bash", {"-c", R"(source "$0" && private_jack_server "$1" "$2" "$3")",
                               VOREL_PRIVATE_JACK_SCRIPT, name, QString::number(serverRate),
                               QString::number(serverPeriod)});
        if (!server_.waitForStarted(hungMs) ||
            !QTest::qWaitFor([this] { return server_.state() != QProcess::Running || answers(); },
                             hungMs) ||
            server_.state() != QProcess::Running)
            return false;
        name_ = name;
        return true;
    }
    QString name_; // the name it runs under; empty until it has run
    QProcess server_;
};

OwnJackServer* server = nullptr; // while the tests run, when ./test's JACK server is there

// The server runs while the tests do: it starts before the first and goes after the last.
class OwnJackServerEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("VOREL_JACK_RATE"))
            return;
        own_ = std::make_unique<OwnJackServer>();
        if (own_->start())
            server = own_.get();
    }
    void TearDown() override {
        server = nullptr;
        own_.reset();
    }

  private:
    std::unique_ptr<OwnJackServer> own_;
};
::testing::Environment* const ownServer =
    ::testing::AddGlobalTestEnvironment(new OwnJackServerEnvironment);

bool answersThroughJack() {
    return QTest::qWaitFor(
        [] { return AudioOutput::shared().status().backend == AudioBackend::jack; }, hungMs);
}

// A take of `frames` through the freewheeling server, with `events` sent from its first cycle
// on; `meanwhile` runs once the take is armed. Whether it ended.
bool recordTake(JackProbe& probe, const std::vector<TimedMidi>& events, std::size_t frames,
                bool fromFirstSound = false, const std::function<void()>& meanwhile = {}) {
    probe.freewheel(true);
    probe.start(events, frames, fromFirstSound);
    if (meanwhile)
        meanwhile();
    const bool done = QTest::qWaitFor([&probe] { return probe.done(); }, hungMs);
    probe.freewheel(false);
    return done;
}

// What `renderer` (a LiveEngine or a LiveTone) makes of a take's events, handed to it block by
// block at their frames within the server's cycles, as the program gets them.
template <typename Renderer>
std::vector<float> renderTake(Renderer& renderer, const std::vector<TimedMidi>& events,
                              std::size_t frames) {
    std::vector<float> rendered(frames);
    std::vector<LiveEvent> block;
    for (std::size_t at = 0; at < frames; at += serverPeriod) {
        block.clear();
        for (const TimedMidi& event : events)
            if (event.frame >= at && event.frame < at + serverPeriod)
                block.push_back(
                    *liveEventFromMidi(static_cast<std::uint32_t>(event.frame - at), event.bytes));
        renderer.render(block, std::span(rendered).subspan(at, serverPeriod));
    }
    return rendered;
}

// Where `expected` lies whole in `recorded` from its first sample other than 0 on.
::testing::AssertionResult holdsFromFirstSound(const std::vector<float>& recorded,
                                               const std::vector<float>& expected) {
    const auto first =
        std::find_if(expected.begin(), expected.end(), [](float s) { return s != 0; });
    const auto heard =
        std::find_if(recorded.begin(), recorded.end(), [](float s) { return s != 0; });
    const auto skipped = first - expected.begin();
    if (heard == recorded.end() || heard - recorded.begin() < skipped ||
        recorded.end() - heard < expected.end() - first)
        return ::testing::AssertionFailure() << "the sound is not in the recording whole";
    const auto at = heard - skipped;
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (at[static_cast<std::ptrdiff_t>(i)] != expected[i])
            return ::testing::AssertionFailure()
                   << "sample " << i << " of " << expected.size() << ": "
                   << at[static_cast<std::ptrdiff_t>(i)] << " instead of " << expected[i];
    return ::testing::AssertionSuccess() << expected.size() << " samples equal";
}

class JackPlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("VOREL_JACK_RATE") || server == nullptr)
            GTEST_SKIP() << "no private JACK server (VOREL_JACK_RATE is not set): run the tests "
                            "through ./test";
        window_ = std::make_unique<MainWindow>(synth_, player_, dialogs_,
                                               [this](int key) { return tones_.tone(key); });
        window_->openFile(examples + "/saw.vorelwf");
        window_->openFile(examples + "/soft-lead.vorelsf");
        ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front().toStdString();
        ASSERT_TRUE(answersThroughJack());
        ASSERT_EQ(probe_.open(program), "");
    }
    void TearDown() override {
        if (server != nullptr) {
            probe_.freewheel(false);
            // Nothing a test played sounds on into the next one: a wave editor's tone gets the
            // empty wave, which adds nothing, and every live note and tone fades out.
            AudioOutput::shared().setLiveTone(WaveData{});
            AudioOutput::shared().playLive(LiveEventKind::allSoundOff, 0, 0);
            EXPECT_TRUE(QTest::qWaitFor(
                [] { return AudioOutput::shared().figures().liveVoices == 0; }, hungMs));
        }
        probe_.close();
        window_.reset();
    }

    // The window is not shown: its buttons' commands go straight to it.
    void clickButton(sound::Command id) { ASSERT_TRUE(window_->dispatch(id)); }
    // Records a buffer the window plays through the freewheeling server, from its first sound.
    std::vector<float> recordPlay(sound::Command button, std::size_t frames) {
        EXPECT_TRUE(recordTake(probe_, {}, frames, true, [&] { clickButton(button); }));
        return probe_.recorded();
    }

    const PreviewTones tones_;
    Synth synth_;
    PcmPlayer player_;
    FakeDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
    JackProbe probe_;
};

TEST_F(JackPlaybackTest, NotesFromJackMidiPlayAsTheEngineEvaluatesThemAtTheServersRate) {
    ASSERT_EQ(AudioOutput::shared().status().rate, serverRate);
    // Two notes, the second while the first still sounds; frames of both kinds within a cycle.
    const std::vector<TimedMidi> notes = {{200, {0x90, 69, 100}},
                                          {3 * serverPeriod, {0x91, 76, 64}},
                                          {9000 + 17, {0x80, 69, 0}},
                                          {15000, {0x81, 76, 0}}};
    const std::size_t frames = serverRate;
    ASSERT_TRUE(recordTake(probe_, notes, frames));
    ASSERT_TRUE(probe_.everyCycle());

    LiveEngine engine(serverRate, serverPeriod);
    engine.setSound(window_->state().settings, window_->state().wave);
    const std::vector<float> expected = renderTake(engine, notes, frames);
    ASSERT_NE(std::count(expected.begin(), expected.end(), 0.0f), std::ptrdiff_t(frames));
    EXPECT_EQ(probe_.recorded(), expected);
}

TEST_F(JackPlaybackTest, APreviewAndTheRenderingPlayResampledToTheServersRate) {
    clickButton(sound::Command::computePreviews);
    const std::span<const std::int16_t> preview = synth_.previewBuffer(2);
    const std::vector<float> previewAt48 =
        bufferAtRate(preview.first(audibleLength(preview)), serverRate);
    const auto previewResult = holdsFromFirstSound(
        recordPlay(sound::Command::play440, previewAt48.size() + serverRate / 10), previewAt48);
    EXPECT_TRUE(previewResult);
    std::cout << "preview: " << previewResult.message() << '\n';

    window_->openFile(examples + "/demo.vorelsqf");
    clickButton(sound::Command::render);
    const std::span<const std::int16_t> rendering = synth_.renderBuffer();
    const std::vector<float> renderingAt48 =
        bufferAtRate(rendering.first(audibleLength(rendering)), serverRate);
    const auto renderResult = holdsFromFirstSound(
        recordPlay(sound::Command::playRendering, renderingAt48.size() + serverRate / 10),
        renderingAt48);
    EXPECT_TRUE(renderResult);
    std::cout << "rendering: " << renderResult.message() << '\n';
}

TEST_F(JackPlaybackTest, AServerKilledDuringANoteIsToldOnceAndPlayedThroughOnceBack) {
    clickButton(sound::Command::computePreviews);
    window_->openFile(examples + "/demo.vorelsqf");
    clickButton(sound::Command::render);
    // The rendering plays and a key is held when the server goes.
    probe_.start({{0, {0x90, 60, 100}}}, serverPeriod, true);
    clickButton(sound::Command::playRendering);
    ASSERT_TRUE(QTest::qWaitFor([this] { return probe_.done(); }, hungMs));
    probe_.close();
    server->kill();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !dialogs_.messages.empty(); }, hungMs));
    EXPECT_EQ(dialogs_.messages.front(),
              "Vorel sound editor: The sound stopped: the sound server went away.");
    EXPECT_NE(AudioOutput::shared().status().backend, AudioBackend::jack);

    ASSERT_TRUE(server->start());
    ASSERT_TRUE(answersThroughJack());
    ASSERT_EQ(probe_.open(program), "");
    const std::span<const std::int16_t> preview = synth_.previewBuffer(0);
    const std::vector<float> previewAt48 =
        bufferAtRate(preview.first(audibleLength(preview)), serverRate);
    EXPECT_TRUE(holdsFromFirstSound(
        recordPlay(sound::Command::play110, previewAt48.size() + serverRate / 10), previewAt48));
    EXPECT_EQ(dialogs_.messages.size(), 1u);
}

TEST_F(JackPlaybackTest, TheWaveEditorsToneFromJackMidiIsTheLiveToneAtTheServersRate) {
    ASSERT_EQ(AudioOutput::shared().status().rate, serverRate);
    // The sound editor's notes stay silent: only the tone sounds.
    AudioOutput::shared().setLiveSound(SoundSettings{}, WaveData{});
    wave::WaveEditorWindow waveEditor(dialogs_);
    waveEditor.openFile(examples + "/organ.vorelwf");
    ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front().toStdString();
    // A first take hands the wave to the audio thread, in a block that crossfades from the
    // wave before.
    ASSERT_TRUE(recordTake(probe_, {}, serverPeriod));

    // Two keys at once, then a third; events at the first and last frame of a cycle and within
    // cycles; each release's fade (240 frames) ends within a cycle.
    const std::vector<TimedMidi> notes = {{100, {0x90, 57, 90}},
                                          {3 * serverPeriod, {0x91, 64, 70}},
                                          {2000, {0x80, 57, 0}},
                                          {20 * serverPeriod - 1, {0x90, 69, 100}},
                                          {40 * serverPeriod, {0x81, 64, 0}},
                                          {6000, {0x80, 69, 0}}};
    const std::size_t frames = 50 * serverPeriod;
    ASSERT_TRUE(recordTake(probe_, notes, frames));
    ASSERT_TRUE(probe_.everyCycle());

    LiveTone tone(serverRate);
    tone.setWave(waveEditor.model().wave());
    // The program's tone took the wave in a block before the take: a block of none here.
    tone.render({}, {});
    const std::vector<float> expected = renderTake(tone, notes, frames);
    ASSERT_NE(std::count(expected.begin(), expected.end(), 0.0f), std::ptrdiff_t(frames));
    EXPECT_EQ(probe_.recorded(), expected);
}

} // namespace
} // namespace vorel::test
