#include "WindowFixture.h"

#include "common/WaveFile.h"

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

namespace vorel::test {
namespace {

DisplayName name(const char* text) {
    return nameFromTitle(QString::fromLatin1(text).toStdU16String());
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct FileCommandTest : WindowTest {
    QString path(const QString& file) const { return folder.filePath(file); }
    // Runs a command with the file dialog answering `chosen` (empty = cancel).
    void command(int id, const QString& chosen = {}) {
        dialogs.answers.push_back(chosen);
        ASSERT_TRUE(window->dispatch(id));
    }
    // A drag that enters the window and is dropped there: Qt delivers a drop only to the widget
    // that accepted the drag's entry.
    void dropOnWindow(QMimeData* data) {
        const QPoint at = window->client()->mapTo(window.get(), QPoint(450, 300));
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(window.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(window.get(), &drop);
    }
    QTemporaryDir folder;
};

TEST_F(FileCommandTest, FileDialogsHaveTheirTitlesFiltersAndSuffixesAndShareOnePath) {
    command(103, path("a.vorelsf"));
    command(32778, path("b.vorelsqf"));
    command(101);
    command(102);
    command(32779);
    command(1038, path("c.WAV"));
    command(103);
    struct Expected {
        const char* title;
        const char* filter;
        const char* suffix;
        bool save;
        QString initial;
    };
    const Expected expected[] = {
        {"Save", "Vorel sound file(*.vorelsf)", "vorelsf", true, ""},
        {"Save", "Vorel sequence file(*.vorelsqf)", "vorelsqf", true, path("a.vorelsqf")},
        {"Load", "Vorel wave file(*.vorelwf)", "vorelwf", false, path("b.vorelsqf")},
        {"Load", "Vorel sound file(*.vorelsf)", "vorelsf", false, path("b.vorelsqf")},
        {"Load", "Vorel sequence file(*.vorelsqf)", "vorelsqf", false, path("b.vorelsqf")},
        {"Save WAV data", "WAV file(*.WAV);;FLAC file(*.flac)", "WAV", true, path("b.WAV")},
        {"Save", "Vorel sound file(*.vorelsf)", "vorelsf", true, path("c.vorelsf")},
    };
    ASSERT_EQ(dialogs.asked.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const FileDialogRequest& request = dialogs.asked[i].request;
        EXPECT_EQ(request.title, expected[i].title) << i;
        EXPECT_EQ(request.filter, expected[i].filter) << i;
        EXPECT_EQ(request.defaultSuffix, expected[i].suffix) << i;
        EXPECT_EQ(dialogs.asked[i].save, expected[i].save) << i;
        EXPECT_EQ(request.initialPath, expected[i].initial) << i;
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

// A save dialog never offers to replace the file used last with another kind of data.
TEST_F(FileCommandTest, SaveDialogsSuggestTheLastNameWithTheirOwnSuffix) {
    const struct {
        int load;
        const char* file;
    } loads[] = {{101, "w.vorelwf"}, {102, "s.vorelsf"}, {32779, "q.vorelsqf"}};
    const struct {
        int save;
        const char* suffix;
    } saves[] = {{103, "vorelsf"}, {32778, "vorelsqf"}, {1038, "WAV"}};
    for (const auto& load : loads) {
        command(load.load, path(load.file)); // refused (no such file), but chosen all the same
        for (const auto& save : saves) {
            command(save.save);
            const QString stem = QFileInfo(path(load.file)).completeBaseName();
            EXPECT_EQ(dialogs.asked.back().request.initialPath,
                      path(stem + "." + QString::fromLatin1(save.suffix)))
                << load.file << " then " << save.save;
        }
    }
}

TEST_F(FileCommandTest, FilesOpenedFromOutsideLoadByTheirSuffixAndOthersAreRefusedByName) {
    const QString examples = QStringLiteral(VOREL_EXAMPLES_DIR);
    window->openFile(examples + "/demo.vorelsqf");
    window->openFile(examples + "/organ.vorelwf");
    window->openFile(examples + "/soft-lead.vorelsf");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(state().sequence.sequenceName, name("demo"));
    EXPECT_EQ(state().waveName, name("organ"));
    EXPECT_EQ(state().settingsName, name("soft-lead"));
    EXPECT_EQ(state().sequence.noteCount(), 52u);
    EXPECT_EQ(window->lastPath(), examples + "/soft-lead.vorelsf");

    // A file of another kind, a damaged one, a drop of text and of another machine's file: each
    // is refused with a message naming it, and nothing changes.
    writeBytes(path("short.vorelwf"), QByteArray(10, '\0'));
    window->openFile(path("notes.txt"));
    window->openFile(path("short.vorelwf"));
    QMimeData text;
    text.setText("some words");
    QMimeData remote;
    remote.setUrls({QUrl("https://example.org/a.vorelwf"), QUrl::fromLocalFile(path("notes.txt"))});
    for (QMimeData* data : {&text, &remote})
        dropOnWindow(data);
    ASSERT_EQ(dialogs.messages.size(), 5u);
    EXPECT_TRUE(dialogs.messages[0].contains("notes.txt\" failed:\nit is not a wave, sound"));
    EXPECT_TRUE(dialogs.messages[1].contains("short.vorelwf"));
    EXPECT_TRUE(dialogs.messages[2].contains("some words"));
    EXPECT_TRUE(dialogs.messages[3].contains("https://example.org/a.vorelwf"));
    EXPECT_TRUE(dialogs.messages[4].contains("notes.txt"));
    EXPECT_EQ(state().waveName, name("organ"));

    // A wave dropped on the window is loaded as if it had been chosen.
    QMimeData wave;
    wave.setUrls({QUrl::fromLocalFile(examples + "/saw.vorelwf")});
    dropOnWindow(&wave);
    EXPECT_EQ(state().waveName, name("saw"));
}

TEST_F(FileCommandTest, SoundFileRoundTripSetsTheShownName) {
    state().settings.select(Param::lpfReleaseLength, 31);
    state().settings.select(Param::attackPitch, 0);
    const SoundSettings saved = state().settings;
    command(103, path("Brass lead.vorelsf"));
    EXPECT_EQ(readBytes(path("Brass lead.vorelsf")).size(), 100);
    EXPECT_EQ(state().settingsName, name("Brass lead"));

    state().settings = SoundSettings();
    command(102, path("Brass lead.vorelsf"));
    EXPECT_EQ(state().settings, saved);
    EXPECT_EQ(state().settings.value(Param::lpfReleaseLength), 5.0);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(FileCommandTest, RefusedFilesLeaveStateAndNamesAsTheyWere) {
    command(103, path("good.vorelsf"));
    command(32778, path("good.vorelsqf"));
    state().settings.select(Param::detune, 9);
    state().sequence.placeNote(5, 5, 24, 0, 0);
    state().wave[3] = 0.25;
    const EditorState& s = state();
    const SoundSettings settingsBefore = s.settings;
    const WaveData waveBefore = s.wave;

    writeBytes(path("short.vorelsf"), QByteArray(12, '\0'));
    writeBytes(path("odd.vorelsqf"), QByteArray(7, '\1'));
    writeBytes(path("short.vorelwf"), QByteArray(799, '\0'));
    command(102, path("short.vorelsf"));
    command(32779, path("odd.vorelsqf"));
    command(101, path("short.vorelwf"));
    command(101, path("missing.vorelwf"));

    ASSERT_EQ(dialogs.messages.size(), 4u);
    EXPECT_TRUE(dialogs.messages[0].contains("short.vorelsf")) << dialogs.messages[0].toStdString();
    EXPECT_TRUE(dialogs.messages[1].contains("odd.vorelsqf"));
    EXPECT_TRUE(dialogs.messages[2].contains("short.vorelwf"));
    EXPECT_TRUE(dialogs.messages[3].contains("missing.vorelwf"));
    EXPECT_EQ(s.settings, settingsBefore);
    EXPECT_EQ(s.sequence.noteCount(), 1u);
    EXPECT_EQ(s.wave, waveBefore);
    EXPECT_EQ(s.settingsName, name("good"));
    EXPECT_EQ(s.sequence.sequenceName, name("good"));
    EXPECT_EQ(s.waveName, blankName());
}

TEST_F(FileCommandTest, FailedSavesAreReportedAndKeepTheName) {
    command(103, path("no such folder/x.vorelsf"));
    command(32778, path("no such folder/x.vorelsqf"));
    command(1038, path("no such folder/x.WAV"));
    EXPECT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(state().settingsName, blankName());
    EXPECT_EQ(state().sequence.sequenceName, blankName());
}

TEST_F(FileCommandTest, CancelledDialogsChangeNothing) {
    state().sequence.placeNote(0, 0, 24, 0, 0);
    for (int id : {101, 102, 103, 32778, 32779, 1038})
        command(id);
    EXPECT_EQ(state().sequence.noteCount(), 1u);
    EXPECT_EQ(state().settingsName, blankName());
    EXPECT_TRUE(window->lastPath().isEmpty());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(FileCommandTest, SequenceAndWaveLoadsReplaceTheStateAndShowTheirNames) {
    state().sequence.placeNote(7679, 72, 384, 9, 0);
    state().sequence.placeNote(100, 3, 3, 1, 2);
    state().sequence.tempo = 90;
    command(32778, path("a.b.vorelsqf"));
    EXPECT_EQ(state().sequence.sequenceName, name("a"));
    EXPECT_EQ(readBytes(path("a.b.vorelsqf")).size(), 20);

    SequenceData expected;
    expected.placeNote(7679, 72, 384, 9, 0);
    expected.placeNote(100, 3, 3, 1, 2);
    state().sequence.clear();
    state().sequence.placeNote(5, 5, 5, 5, 5);
    command(32779, path("a.b.vorelsqf"));
    EXPECT_TRUE(state().sequence.sameNotes(expected));
    EXPECT_EQ(state().sequence.tempo, 90);

    WaveData wave{};
    wave[0] = 1.0;
    wave[99] = -0.5;
    const std::vector<std::byte> bytes = encodeWaveFile(wave);
    writeBytes(path("Organ 2.vorelwf"), QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<qsizetype>(bytes.size())));
    command(101, path("Organ 2.vorelwf"));
    EXPECT_EQ(state().wave, wave);
    EXPECT_EQ(state().waveName, name("Organ 2"));
}

TEST_F(FileCommandTest, WavExportWritesTheRenderingToTheFullPath) {
    ASSERT_TRUE(window->dispatch(1036)); // an empty sequence renders silence
    command(1038, path("silence.WAV"));
    const QByteArray wav = readBytes(path("silence.WAV"));
    ASSERT_EQ(wav.size(), 44);
    EXPECT_EQ(wav.left(4), "RIFF");
    EXPECT_EQ(static_cast<unsigned char>(wav[4]), 36);
    EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(wav.mid(36, 4), "data");
    EXPECT_EQ(wav.mid(40, 4), QByteArray(4, '\0'));
    // A name ending in .flac, chosen with the dialog's second file type, gives FLAC.
    command(1038, path("silence.flac"));
    EXPECT_EQ(readBytes(path("silence.flac")).left(4), "fLaC");
    EXPECT_TRUE(dialogs.messages.empty());
}

// A sequence goes out as a MIDI file at the window's tempo and comes back in as the sequence,
// after the question about the unsaved one.
TEST_F(FileCommandTest, MidiExportAndImportGoThroughTheFileMenu) {
    state().sequence.placeNote(5, 12, 24, 9, 9);
    state().sequence.tempo = 150;
    command(107, path("tune.mid"));
    EXPECT_EQ(readBytes(path("tune.mid")).left(4), "MThd");
    EXPECT_EQ(dialogs.asked.back().request.title, "Export MIDI");

    state().sequence.clear();
    state().sequence.placeNote(0, 0, 3, 9, 9); // unsaved work, to be asked about
    state().sequence.tempo = 100;
    command(108, path("tune.mid"));
    EXPECT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(state().sequence.noteCount(), 1u);
    EXPECT_EQ(state().sequence.cell(5, 12).noteLength, 24);
    EXPECT_EQ(state().sequence.tempo, 150);
    EXPECT_EQ(state().sequence.sequenceName, name("tune"));
    EXPECT_TRUE(dialogs.messages.empty());
}

} // namespace
} // namespace vorel::test
