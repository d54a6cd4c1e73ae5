#include "common/FileIo.h"
#include "common/RecoveryIndex.h"
#include "common/SoundConstants.h"
#include "common/WaveFile.h"
#include "platform/LivePanel.h"
#include "sound_editor_io/SequenceFile.h"

#include "support/Deadlines.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
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

    // The main window's id and the height of its menu bar, above the client area.
    struct Window {
        QString id;
        int menuHeight = 0;
    };
    std::optional<Window> findWindow() {
        const std::optional<QString> found =
            run("xdotool", {"search", "--sync", "--onlyvisible", "--name", "^Vorel sound editor"},
                environment, hungMs);
        if (!found)
            return std::nullopt;
        const QString id = found->split('\n').first();
        const std::optional<QString> geometry =
            run("xdotool", {"getwindowgeometry", "--shell", id}, environment);
        for (const QString& line : geometry ? geometry->split('\n') : QStringList())
            if (line.startsWith("HEIGHT="))
                return Window{id, line.mid(7).toInt() - clientHeight - LivePanel::statusLineHeight};
        return std::nullopt;
    }
    // A click at client coordinates, with the left button unless told otherwise.
    bool click(const Window& window, int x, int y, const QString& button = "1") {
        return run("xdotool",
                   {"mousemove", "--window", window.id, QString::number(x),
                    QString::number(y + window.menuHeight), "click", button},
                   environment)
            .has_value();
    }
    // Keys go to the window that has the focus: the dialog titled `title` gets it first.
    bool focus(const QString& title) {
        const std::optional<QString> id =
            run("xdotool", {"search", "--sync", "--name", "^" + title + "$"}, environment, hungMs);
        return id && run("xdotool", {"windowfocus", id->split('\n').first()}, environment);
    }
    bool pressIn(const QString& title, const QString& key) {
        return focus(title) && run("xdotool", {"key", key}, environment);
    }
    // Replaces the text of the field that has the focus in that dialog.
    bool typeIn(const QString& title, const QString& text) {
        return focus(title) && run("xdotool", {"key", "ctrl+a"}, environment) &&
               run("xdotool", {"type", text}, environment);
    }

    static constexpr int clientHeight = 700; // the sound editor's client area, below its menu
    TempFolder temp;
    const std::string folder = temp.file("state/vorel/recovery");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QProcess program;
    QProcess display;
};

TEST_F(RecoveryEndToEndTest, WorkOfAKilledProgramIsOfferedAndRestoredAtTheNextStart) {
    if (!startDisplay())
        GTEST_SKIP() << "the window is driven on a display of its own: needs Xvfb and xdotool";
    for (const char* name : {"saw.vorelwf", "soft-lead.vorelsf", "demo.vorelsqf"})
        ASSERT_TRUE(fs::copy_file(std::string(VOREL_EXAMPLES_DIR) + "/" + name, temp.file(name)));
    const std::string wave = temp.file("saw.vorelwf");
    const std::string sound = temp.file("soft-lead.vorelsf");
    program.setProcessEnvironment(environment);
    program.start(VOREL_SOUND_EDITOR, {QString::fromStdString(wave), QString::fromStdString(sound),
                                       QString::fromStdString(temp.file("demo.vorelsqf"))});
    ASSERT_TRUE(program.waitForStarted());
    // Ten pages on, past the demo's notes; the tempo up by 10; one note placed there.
    std::optional<Window> window = findWindow();
    ASSERT_TRUE(window) << "no window";
    ASSERT_TRUE(click(*window, 760, 550));
    ASSERT_TRUE(click(*window, 530, 75));
    ASSERT_TRUE(click(*window, 502, 298, "3"));
    ASSERT_TRUE(pressIn("Insert note", "Return"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return indexOf(folder).has_value(); }, hungMs));
    ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
    ASSERT_TRUE(program.waitForFinished(hungMs));

    // The notes by their copy, the settings and the wave by their files.
    const RecoveryIndex left = indexOf(folder).value();
    EXPECT_EQ(left.tempo, 130);
    EXPECT_EQ(left.page, 10);
    ASSERT_EQ(left.documents.size(), 3u);
    EXPECT_EQ(left.documents[0].name, "demo");
    const std::vector<std::byte> notes = copyIn(folder, left);
    EXPECT_EQ(decodeSequenceFile(notes).value().size(), 53u);
    const std::pair<DocumentKind, std::string> files[] = {{DocumentKind::sound, sound},
                                                          {DocumentKind::wave, wave}};
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(left.documents[i + 1].kind, files[i].first);
        EXPECT_EQ(left.documents[i + 1].originalPath, files[i].second);
        EXPECT_TRUE(left.documents[i + 1].file.empty());
        EXPECT_EQ(left.documents[i + 1].fromFile, fingerprintFile(files[i].second).value());
    }
    // What the killed program's "Render->" would have made of it.
    ASSERT_TRUE(writeFileAtomically(temp.file("killed.vorelsqf"), notes));
    ASSERT_TRUE(run(VOREL_RENDER,
                    {"sequence", "--wave", QString::fromStdString(wave), "--sound",
                     QString::fromStdString(sound), "--sequence",
                     QString::fromStdString(temp.file("killed.vorelsqf")), "--tempo", "130",
                     "--quiet", "-o", QString::fromStdString(temp.file("expected.wav"))},
                    environment, 120000));

    program.start(VOREL_SOUND_EDITOR, {});
    ASSERT_TRUE(program.waitForStarted());
    // Recover is the default button.
    ASSERT_TRUE(pressIn("Recover unsaved work", "Return")) << "no offer to recover";
    const long second = static_cast<long>(program.processId());
    // The recovered work is this process's own before the copies it came from go.
    const std::string leftCopy = folder + "/" + left.documents[0].file;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return indexOf(folder, second).has_value() && !fs::exists(leftCopy); }, hungMs));
    const RecoveryIndex recovered = indexOf(folder, second).value();
    EXPECT_EQ(recovered.tempo, 130);
    EXPECT_EQ(copyIn(folder, recovered), notes);
    ASSERT_EQ(recovered.documents.size(), 3u);
    EXPECT_EQ(recovered.documents[2].fromFile, left.documents[2].fromFile);

    // "Render->", then "Save(.WAV)" once the render has ended (a busy window ignores clicks).
    window = findWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(click(*window, 475, 595));
    const std::string saved = temp.file("recovered.wav");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return click(*window, 795, 595) &&
                   run("xdotool", {"search", "--sync", "--name", "^Save WAV data$"}, environment,
                       5000);
        },
        120000))
        << "the render did not end";
    ASSERT_TRUE(typeIn("Save WAV data", QString::fromStdString(saved)));
    ASSERT_TRUE(run("xdotool", {"key", "Return"}, environment));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(saved); }, hungMs));
    const std::vector<std::byte> expected =
        readFileBytes(temp.file("expected.wav"), 1 << 24).value();
    const std::vector<std::byte> rendered = readFileBytes(saved, 1 << 24).value();
    ASSERT_EQ(rendered.size(), expected.size());
    const auto [differs, _] = std::mismatch(rendered.begin(), rendered.end(), expected.begin());
    EXPECT_EQ(differs, rendered.end())
        << "first difference in sample " << ((differs - rendered.begin()) - 44) / 2;

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
