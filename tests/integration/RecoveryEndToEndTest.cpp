#include "common/FileIo.h"
#include "common/RecoveryIndex.h"
#include "common/SoundConstants.h"
#include "common/WaveFile.h"
#include "sound_editor_io/MidiFile.h"
#include "sound_editor_io/SequenceFile.h"

#include "support/Deadlines.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <filesystem>
#include <optional>

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

// The index in `folder` written by process `id` (any process when 0), once it names a document.
std::optional<RecoveryIndex> indexOf(const std::string& folder, long id = 0) {
    std::error_code error;
    for (const fs::directory_entry& file : fs::directory_iterator(folder, error)) {
        if (file.path().extension() != ".index")
            continue;
        const auto bytes = readFileBytes(file.path().string(), 4096);
        const auto index = decodeRecoveryIndex(
            std::string(reinterpret_cast<const char*>(bytes.value().data()), bytes.value().size()));
        if (index && !index.value().documents.empty() &&
            (id == 0 || index.value().process.id == id))
            return index.value();
    }
    return std::nullopt;
}

std::vector<std::byte> copyIn(const std::string& folder, const RecoveryIndex& index) {
    return readFileBytes(folder + "/" + index.documents.at(0).file, 1 << 20).value();
}

// Runs a tool to its end; its standard output, or nothing when it failed or took too long.
std::optional<QString> run(const QString& tool, const QStringList& arguments,
                           const QProcessEnvironment& environment, int timeoutMs = hungMs) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(tool, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

class RecoveryEndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The program's settings and copies go to the test's folder, never the user's.
        environment.insert("XDG_STATE_HOME", QString::fromStdString(temp.file("state")));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(temp.file("config")));
    }
    void TearDown() override {
        for (QProcess* process : {&program, &display}) {
            process->kill();
            process->waitForFinished();
        }
    }

    // Starts a display of its own, for a window that is to be answered with keys.
    bool startDisplay() {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
            QStandardPaths::findExecutable("xdotool").isEmpty())
            return false;
        // -noreset: the server does not reset, refusing connections meanwhile, whenever its
        // last client (xdotool, say) goes.
        display.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0",
                               "1280x1024x24"});
        if (!display.waitForReadyRead(hungMs))
            return false;
        environment.insert("DISPLAY", ":" + QString::fromLatin1(display.readLine()).trimmed());
        environment.insert("QT_QPA_PLATFORM", "xcb");
        return true;
    }

    TempFolder temp;
    const std::string folder = temp.file("state/vorel/recovery");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QProcess program;
    QProcess display;
};

TEST_F(RecoveryEndToEndTest, WorkOfAKilledProgramIsOfferedAndRestoredAtTheNextStart) {
    // A MIDI file named on the command line is imported as an unsaved sequence.
    SequenceData tune;
    tune.placeNote(20, 38, 24, 7, 7);
    tune.placeNote(200, 40, 48, 3, 5);
    tune.tempo = 150;
    ASSERT_TRUE(saveMidiFile(temp.file("tune.mid"), tune));
    SequenceData imported;
    applyMidiImport(imported, readMidiFile(temp.file("tune.mid")).value());

    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(VOREL_SOUND_EDITOR, {QString::fromStdString(temp.file("tune.mid"))});
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return indexOf(folder).has_value(); }, hungMs));
    ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
    ASSERT_TRUE(program.waitForFinished());
    const RecoveryIndex left = indexOf(folder).value();
    EXPECT_EQ(left.tempo, 150);
    ASSERT_EQ(left.documents.size(), 1u);
    EXPECT_EQ(left.documents[0].kind, DocumentKind::sequence);
    EXPECT_EQ(left.documents[0].name, "tune");
    EXPECT_EQ(copyIn(folder, left), encodeSequenceFile(imported));

    if (!startDisplay())
        GTEST_SKIP() << "the second start needs Xvfb and xdotool";
    program.setProcessEnvironment(environment);
    program.start(VOREL_SOUND_EDITOR, {});
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(run("xdotool", {"search", "--sync", "--name", "Recover unsaved work"}, environment))
        << "no offer to recover";
    ASSERT_TRUE(run("xdotool", {"key", "Return"}, environment)); // Recover, the default button
    const long second = static_cast<long>(program.processId());
    // The recovered work is copied as this process's own before the copies it came from go.
    const std::string leftCopy = folder + "/" + left.documents[0].file;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return indexOf(folder, second).has_value() && !fs::exists(leftCopy); }, hungMs));
    const RecoveryIndex recovered = indexOf(folder, second).value();
    EXPECT_EQ(recovered.tempo, 150);
    EXPECT_EQ(copyIn(folder, recovered), encodeSequenceFile(imported));

    // SIGTERM: no time for questions; the work stays for the next start.
    ::kill(static_cast<pid_t>(second), SIGTERM);
    EXPECT_TRUE(program.waitForFinished(hungMs));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(indexOf(folder, second).has_value());
}

using CloseEndToEndTest = RecoveryEndToEndTest;

// SIGTERM while "Render->" runs cancels the render: the program ends by itself long before the
// render could have ended. (The render is so long that the fastest machine takes minutes for it;
// the program is given far less, and needs a fraction of a second.)
TEST_F(CloseEndToEndTest, SigtermDuringARenderEndsTheProgramLongBeforeTheRenderWouldEnd) {
    if (!startDisplay())
        GTEST_SKIP() << "the window is driven on a display of its own: needs Xvfb and xdotool";
    WaveData loud;
    loud.fill(1.0);
    ASSERT_TRUE(saveWaveFile(temp.file("loud.vorelwf"), loud));
    SequenceData busy; // about ten minutes of rendering on two cores
    for (int tick = 0; tick < 7680; tick += 24)
        for (int key = 0; key < keyCount; key += 3)
            busy.placeNote(tick, key, 384, 9, 9);
    const std::vector<std::byte> notes = encodeSequenceFile(busy);
    ASSERT_TRUE(writeFileAtomically(temp.file("busy.vorelsqf"), notes));

    program.setProcessEnvironment(environment);
    program.start(VOREL_SOUND_EDITOR, {QString::fromStdString(temp.file("loud.vorelwf")),
                                       QString::fromStdString(temp.file("busy.vorelsqf"))});
    ASSERT_TRUE(program.waitForStarted());
    const QString title = "^Vorel sound editor";
    const std::optional<QString> window =
        run("xdotool", {"search", "--sync", "--onlyvisible", "--name", title}, environment);
    ASSERT_TRUE(window) << "no window";
    // "Render->" at client (400, 570, 150 x 50), below a menu bar of 20 to 35 pixels.
    ASSERT_TRUE(run("xdotool", {"mousemove", "--window", *window, "475", "610", "click", "1"},
                    environment));
    // The progress dialog has the window's title.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::optional<QString> found =
                run("xdotool", {"search", "--onlyvisible", "--name", title}, environment);
            return found && found->split('\n').size() == 2;
        },
        hungMs))
        << "no progress dialog";
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    // A render that went on to its end would take minutes more.
    constexpr int farBeforeTheEndMs = 15000;
    ASSERT_TRUE(program.waitForFinished(farBeforeTheEndMs)) << "the render was not stopped";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit)
        << program.readAllStandardError().toStdString();
    EXPECT_EQ(readFileBytes(temp.file("busy.vorelsqf"), 1 << 20).value(), notes);
}

} // namespace
} // namespace vorel::test
