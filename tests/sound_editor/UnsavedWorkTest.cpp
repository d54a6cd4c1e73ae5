#include "WindowFixture.h"

#include "common/FileIo.h"
#include "common/WaveFile.h"
#include "sound_editor/Commands.h"
#include "sound_editor_io/MidiFile.h"
#include "sound_editor_io/SequenceFile.h"
#include "sound_editor_io/SoundFile.h"

#include "support/TempFolder.h"

#include <QAction>
#include <QMimeData>
#include <QUrl>
#include <QWindow>

#include <filesystem>

namespace vorel::test {
using namespace vorel::sound;
namespace {

namespace fs = std::filesystem;

const QString examples = QStringLiteral(VOREL_EXAMPLES_DIR);
// Client coordinates of grid cell (tick 20, key 38) on the page on screen.
constexpr QPoint cell{502, 298};

struct UnsavedWorkTest : WindowTest {
    QString undoText() const { return window->findChild<QAction*>("105")->text(); }
    QString redoText() const { return window->findChild<QAction*>("106")->text(); }
    bool marked() const { return window->windowHandle()->title().endsWith('*'); }
    void press(QKeyCombination keys) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), keys.key(), keys.keyboardModifiers());
    }
    // The note dialog on `cell`, filled by `fill`.
    void editNote(std::function<void(QDialog*)> fill) {
        onNextDialog(std::move(fill));
        click(cell, Qt::RightButton);
    }
    QString path(const std::string& name) const { return QString::fromStdString(temp.file(name)); }
    std::string copyOf(DocumentKind kind) const {
        return window->unsavedWork().store()->copyPath(kind);
    }
    RecoveryIndex writtenIndex() const {
        const auto bytes = readFileBytes(window->unsavedWork().store()->indexPath(), 4096);
        if (!bytes)
            return {};
        auto index = decodeRecoveryIndex(
            std::string(reinterpret_cast<const char*>(bytes.value().data()), bytes.value().size()));
        return index ? index.value() : RecoveryIndex{};
    }
    TempFolder temp;
};

TEST_F(UnsavedWorkTest, EveryStepIsUndoneAndRedoneByItsNameBackToTheUnmodifiedState) {
    EXPECT_EQ(undoText(), "Undo");
    EXPECT_FALSE(window->findChild<QAction*>("105")->isEnabled());
    editNote([](QDialog* dialog) { clickButton(dialog, 1); });
    EXPECT_TRUE(marked());
    editNote([](QDialog* dialog) {
        child<QLineEdit>(dialog, 1031)->setText("48");
        clickButton(dialog, 1);
    });
    onNextDialog([](QDialog* dialog) {
        typeInto(child<QComboBox>(dialog, 1041), "2");
        clickButton(dialog, 1);
    });
    window->dispatch(Command::copyPhrase);
    onNextDialog([](QDialog* dialog) {
        child<QComboBox>(dialog, 1000)->setCurrentIndex(0); // one oscillator
        clickButton(dialog, 1);
    });
    window->dispatch(Command::pitchSettings);
    editNote([](QDialog* dialog) { clickButton(dialog, 3); }); // Delete
    const NoteCell copied = state().sequence.cell(1, 20, 38);
    EXPECT_EQ(copied.noteLength, 48);
    EXPECT_EQ(state().settings.index(Param::oscillatorCount), 0);

    const char* steps[] = {"delete note", "pitch settings", "copy phrase", "replace note",
                           "insert note"};
    for (const char* step : steps) {
        EXPECT_EQ(undoText(), QString("Undo ") + step);
        press(Qt::CTRL | Qt::Key_Z);
        EXPECT_EQ(redoText(), QString("Redo ") + step);
    }
    EXPECT_EQ(state().sequence.noteCount(), 0u);
    EXPECT_EQ(state().settings, SoundSettings());
    EXPECT_FALSE(marked());
    // The tempo is no part of the sequence's file.
    clickButton(client(), Command::tempoUp1);
    EXPECT_FALSE(marked());

    for (int i = 0; i < 5; ++i)
        press(i % 2 == 0 ? Qt::CTRL | Qt::SHIFT | Qt::Key_Z : Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(state().sequence.cell(0, 20, 38).noteLength, 0);
    EXPECT_EQ(state().sequence.cell(1, 20, 38), copied);
    EXPECT_EQ(state().settings.index(Param::oscillatorCount), 0);
    EXPECT_EQ(redoText(), "Redo");
    EXPECT_TRUE(marked());

    // A load empties the history (the question it asks is answered Discard).
    dialogs.answers = {examples + "/demo.vorelsqf"};
    window->dispatch(Command::loadSequence);
    EXPECT_EQ(dialogs.questions, std::vector<QString>{"Save changes to the unnamed sequence?"});
    EXPECT_FALSE(window->findChild<QAction*>("105")->isEnabled());
    EXPECT_EQ(undoText(), "Undo");
}

TEST_F(UnsavedWorkTest, LoadsOverAModifiedDocumentAskFirstAndFollowTheAnswer) {
    ASSERT_TRUE(
        fs::copy_file(examples.toStdString() + "/demo.vorelsqf", temp.file("demo.vorelsqf")));
    SequenceData tune;
    tune.placeNote(0, 10, 24, 7, 7);
    ASSERT_TRUE(saveMidiFile(temp.file("tune.mid"), tune));
    state().sequence.placeNote(5, 5, 24, 0, 0);

    // Cancel: no file dialog, nothing loaded.
    dialogs.saveAnswers = {SaveAnswer::cancel};
    window->dispatch(Command::loadSequence);
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(state().sequence.noteCount(), 1u);
    // Discard: the file opened from outside replaces the notes.
    dialogs.saveAnswers = {SaveAnswer::discard};
    window->openFile(path("demo.vorelsqf"));
    EXPECT_EQ(state().sequence.noteCount(), 52u);
    EXPECT_FALSE(marked());
    // Save: a document with a file is saved there, without a dialog; then the import.
    state().sequence.placeNote(5, 5, 24, 0, 0);
    dialogs.saveAnswers = {SaveAnswer::save};
    window->openFile(path("tune.mid"));
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(readFileBytes(temp.file("demo.vorelsqf"), 1000).value().size(), 530u);
    EXPECT_EQ(state().sequence.noteCount(), 1u);
    EXPECT_TRUE(marked()); // an import is in no sequence file yet
    // A save that fails (in its dialog: the import has no file) keeps the sequence.
    dialogs.saveAnswers = {SaveAnswer::save};
    dialogs.answers = {path("no such folder/tune.vorelsqf")};
    QMimeData drop;
    drop.setUrls({QUrl::fromLocalFile(path("demo.vorelsqf"))});
    QDragEnterEvent entered(QPoint(450, 300), Qt::CopyAction, &drop, Qt::LeftButton, {});
    QCoreApplication::sendEvent(window.get(), &entered);
    QDropEvent dropped(QPointF(450, 300), Qt::CopyAction, &drop, Qt::LeftButton, {});
    QCoreApplication::sendEvent(window.get(), &dropped);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].contains("no such folder"))
        << dialogs.messages[0].toStdString();
    EXPECT_EQ(state().sequence.noteCount(), 1u);

    // The sound settings: Save of an unnamed document asks for a file, then the load goes on.
    state().settings.select(Param::detune, 9);
    dialogs.saveAnswers = {SaveAnswer::save};
    dialogs.answers = {path("mine.vorelsf"), examples + "/soft-lead.vorelsf"};
    window->dispatch(Command::loadSound);
    EXPECT_EQ(decodeSoundFile(readFileBytes(temp.file("mine.vorelsf"), 100).value())
                  .value()
                  .index(Param::detune),
              9);
    EXPECT_EQ(state().settingsName, nameFromTitle(u"soft-lead"));
    EXPECT_EQ(dialogs.questions,
              (std::vector<QString>{"Save changes to the unnamed sequence?",
                                    "Save changes to the unnamed sequence?",
                                    "Save changes to the sequence \"demo\"?",
                                    "Save changes to the sequence \"tune\"?",
                                    "Save changes to the unnamed sound settings?"}));
}

TEST_F(UnsavedWorkTest, ClosingAsksAboutEachModifiedDocumentAndStaysOpenUnlessAllAreSettled) {
    state().sequence.placeNote(5, 5, 24, 0, 0);
    state().settings.select(Param::detune, 9);
    dialogs.saveAnswers = {SaveAnswer::cancel};
    window->close();
    EXPECT_TRUE(window->isVisible());
    dialogs.saveAnswers = {SaveAnswer::discard, SaveAnswer::cancel};
    window->close();
    EXPECT_TRUE(window->isVisible());
    dialogs.saveAnswers = {SaveAnswer::discard, SaveAnswer::save};
    dialogs.answers = {path("no such folder/x.vorelsf")};
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(dialogs.messages.size(), 1u);
    dialogs.saveAnswers = {SaveAnswer::discard, SaveAnswer::save};
    dialogs.answers = {path("x.vorelsf")};
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(fs::exists(temp.file("x.vorelsf")));
    EXPECT_EQ(dialogs.questions.size(), 7u);
    EXPECT_EQ(dialogs.questions.back(), "Save changes to the unnamed sound settings?");
}

TEST_F(UnsavedWorkTest, CopiesFollowTheChangesAndGoWithASaveAndACleanClose) {
    window->keepWorkIn(temp.file("recovery"));
    window->unsavedWork().setCopyDelay(std::chrono::milliseconds(10));
    EXPECT_TRUE(dialogs.offers.empty());
    state().sequence.placeNote(30, 40, 12, 1, 2);
    clickButton(client(), Command::pageForward1);
    // The index is written after the copies it names.
    ASSERT_TRUE(QTest::qWaitFor([&] { return writtenIndex().page == 1; }));
    const auto copy = readFileBytes(copyOf(DocumentKind::sequence), 100);
    EXPECT_EQ(decodeSequenceFile(copy.value()).value(),
              (std::vector<NoteRecord>{{30, 40, 12, 1, 2}}));
    // The tempo is kept with the copies, though it does not modify the sequence.
    clickButton(client(), Command::tempoUp1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return writtenIndex().tempo == 121; }));

    dialogs.answers = {path("saved.vorelsqf")};
    window->dispatch(Command::saveSequence);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fs::exists(copyOf(DocumentKind::sequence)); }));
    EXPECT_FALSE(fs::exists(window->unsavedWork().store()->indexPath()));

    state().settings.select(Param::detune, 9);
    clickButton(client(), Command::pageForward1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(copyOf(DocumentKind::sound)); }));
    window->close(); // Discard: a clean close
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(fs::is_empty(temp.file("recovery")));
}

TEST_F(UnsavedWorkTest, LeftCopiesAreOfferedRestoredOrDiscardedAndDamagedOnesSetAside) {
    const std::string folder = temp.file("recovery");
    fs::create_directories(folder);
    ProcessIdentity ended = currentProcess();
    ended.startTime += 1;
    auto leave = [&](const std::string& set, int tempo, std::vector<RecoveryEntry> documents,
                     std::vector<std::vector<std::byte>> contents) {
        for (std::size_t i = 0; i < documents.size(); ++i)
            ASSERT_TRUE(writeFileAtomically(folder + "/" + documents[i].file, contents[i]));
        const std::string text =
            encodeRecoveryIndex({"vorel-sound-editor", ended, tempo, 7, std::move(documents)});
        ASSERT_TRUE(
            writeFileAtomically(folder + "/" + set + ".index", std::as_bytes(std::span(text))));
    };
    SequenceData notes;
    notes.placeNote(100, 20, 48, 3, 4);
    SoundSettings lead;
    lead.select(Param::detune, 9);
    leave("a", 150,
          {{DocumentKind::sequence, "a.vorelsqf", "demo", "/songs/demo.vorelsqf", {}},
           {DocumentKind::sound, "a.vorelsf", "", "", {}}},
          {encodeSequenceFile(notes), std::vector<std::byte>(12)});
    leave("b", 90, {{DocumentKind::sound, "b.vorelsf", "lead", "", {}}}, {encodeSoundFile(lead)});
    fs::last_write_time(folder + "/b.index",
                        fs::last_write_time(folder + "/a.index") + std::chrono::seconds(1));

    dialogs.recoveryAnswers = {RecoveryAnswer::recover, RecoveryAnswer::discard};
    window->keepWorkIn(folder);
    ASSERT_EQ(dialogs.offers.size(), 2u);
    EXPECT_TRUE(dialogs.offers[0].contains("the sequence \"demo\" (/songs/demo.vorelsqf)"))
        << dialogs.offers[0].toStdString();
    EXPECT_FALSE(dialogs.offers[0].contains("sound settings"));
    EXPECT_TRUE(dialogs.offers[1].contains("the sound settings \"lead\""));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].contains("a.vorelsf: a sound file holds 100 bytes"))
        << dialogs.messages[0].toStdString();

    EXPECT_TRUE(state().sequence.sameNotes(notes));
    EXPECT_EQ(state().sequence.tempo, 150);
    EXPECT_EQ(state().view.currentPage, 7);
    EXPECT_EQ(state().sequence.sequenceName, nameFromTitle(u"demo"));
    EXPECT_EQ(state().settings, SoundSettings());
    EXPECT_TRUE(marked());
    // The recovered work is this process's now; only the damaged copy is left of the others.
    EXPECT_TRUE(fs::exists(copyOf(DocumentKind::sequence)));
    for (const char* gone : {"a.index", "a.vorelsqf", "b.index", "b.vorelsf"})
        EXPECT_FALSE(fs::exists(folder + "/" + gone)) << gone;
    EXPECT_TRUE(fs::exists(folder + "/a.vorelsf.damaged"));

    // Saved to the file it came from, without a dialog.
    dialogs.saveAnswers = {SaveAnswer::save};
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(dialogs.messages.back().contains("Saving \"/songs/demo.vorelsqf\" failed"));
}

TEST_F(UnsavedWorkTest, FilesOfTheUnmodifiedDocumentsComeBackWithTheCopiesUnlessTheyHaveChanged) {
    const std::string folder = temp.file("recovery");
    fs::create_directories(folder);
    for (const char* name : {"saw.vorelwf", "soft-lead.vorelsf"})
        ASSERT_TRUE(fs::copy_file(examples.toStdString() + "/" + name, temp.file(name)));
    auto held = [&](const char* name) { return fingerprintFile(temp.file(name)).value(); };
    SequenceData notes;
    notes.placeNote(100, 20, 48, 3, 4);
    ASSERT_TRUE(writeFileAtomically(folder + "/a.vorelsqf", encodeSequenceFile(notes)));
    ProcessIdentity ended = currentProcess();
    ended.startTime += 1;
    const std::string index = encodeRecoveryIndex(
        {"vorel-sound-editor",
         ended,
         140,
         2,
         {{DocumentKind::sequence, "a.vorelsqf", "demo", temp.file("demo.vorelsqf"), {}},
          {DocumentKind::sound, "", "soft-lead", temp.file("soft-lead.vorelsf"),
           held("soft-lead.vorelsf")},
          {DocumentKind::wave, "", "saw", temp.file("saw.vorelwf"), held("saw.vorelwf")}}});
    ASSERT_TRUE(writeFileAtomically(folder + "/a.index", std::as_bytes(std::span(index))));
    // The wave file is changed between the crash and the next start.
    WaveData other{};
    other[2] = 0.5;
    ASSERT_TRUE(saveWaveFile(temp.file("saw.vorelwf"), other));

    dialogs.recoveryAnswers = {RecoveryAnswer::recover};
    window->keepWorkIn(folder);
    ASSERT_EQ(dialogs.offers.size(), 1u);
    const QString offer = dialogs.offers[0];
    EXPECT_TRUE(offer.contains("the sequence \"demo\" (" + path("demo.vorelsqf") +
                               "), with unsaved changes"))
        << offer.toStdString();
    EXPECT_TRUE(offer.contains("the sound settings \"soft-lead\" (" + path("soft-lead.vorelsf") +
                               "), as in its file"));
    EXPECT_TRUE(offer.contains("the wave \"saw\" (" + path("saw.vorelwf") +
                               ") is not loaded, and nothing in its place: it has changed since"));
    EXPECT_TRUE(dialogs.messages.empty());

    EXPECT_TRUE(state().sequence.sameNotes(notes));
    EXPECT_EQ(state().sequence.tempo, 140);
    EXPECT_EQ(state().settings,
              decodeSoundFile(readFileBytes(temp.file("soft-lead.vorelsf"), 100).value()).value());
    EXPECT_EQ(state().settingsName, nameFromTitle(u"soft-lead"));
    EXPECT_EQ(state().wave, WaveData{});
    EXPECT_EQ(state().waveName, EditorState().waveName);
    EXPECT_TRUE(fs::exists(temp.file("saw.vorelwf")));
    // This process's work names the settings by their file again; only the notes are unsaved.
    const std::vector<RecoveryEntry> now = writtenIndex().documents;
    ASSERT_EQ(now.size(), 2u);
    EXPECT_EQ(now[1].fromFile, held("soft-lead.vorelsf"));
    dialogs.saveAnswers = {SaveAnswer::discard};
    window->close();
    EXPECT_EQ(dialogs.questions, std::vector<QString>{"Save changes to the sequence \"demo\"?"});
}

} // namespace
} // namespace vorel::test
