#include "WindowFixture.h"

#include "common/Pcm.h"
#include "common/WaveFile.h"
#include "platform/CloseRequests.h"
#include "sound_editor_io/SoundEditorFiles.h"

#include "support/TempFolder.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMenuBar>
#include <QProgressDialog>
#include <QWindow>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace vorel::test {
namespace {

using MainWindowTest = WindowTest;

// A wave of every harmonic and a sequence that takes minutes to render on the fastest machine, so
// a render stopped within seconds was stopped, not ended.
void prepareALongRender(EditorState& state) {
    state.wave.fill(1.0);
    for (int tick = 0; tick < tickCount; tick += 24)
        for (int key = 0; key < keyCount; key += 6)
            state.sequence.placeNote(tick, key, 384, 9, 9);
}

struct ButtonRow {
    const char* label;
    int id;
    QRect rect;
};

TEST_F(MainWindowTest, WindowHasItsTitleClientSizeAndAllButtonsAtTheirPlaces) {
    EXPECT_EQ(window->windowHandle()->title(), "Vorel sound editor"); // "…*" while modified
    EXPECT_EQ(client()->size(), QSize(950, 700));
    const ButtonRow rows[] = {
        {"Pitch", 95, {20, 95, 80, 30}},     {"AMP", 96, {125, 95, 80, 30}},
        {"LPF", 97, {230, 95, 80, 30}},      {"Compute->", 1025, {10, 500, 90, 30}},
        {"110Hz", 1032, {110, 500, 90, 30}}, {"440Hz", 1034, {110, 540, 90, 30}},
        {"220Hz", 1033, {220, 500, 90, 30}}, {"880Hz", 1035, {220, 540, 90, 30}},
        {"1/32", 90, {570, 10, 40, 20}},     {"1/24", 89, {620, 10, 40, 20}},
        {"1/16", 88, {670, 10, 40, 20}},     {"1/12", 87, {720, 10, 40, 20}},
        {"1/8", 86, {770, 10, 40, 20}},      {"1/4", 85, {820, 10, 40, 20}},
        {"UP", 91, {500, 63, 60, 25}},       {"up", 92, {570, 63, 60, 25}},
        {"down", 93, {640, 63, 60, 25}},     {"DOWN", 94, {710, 63, 60, 25}},
        {"<<", 81, {490, 540, 60, 20}},      {"<", 82, {560, 540, 60, 20}},
        {">", 83, {660, 540, 60, 20}},       {">>", 84, {730, 540, 60, 20}},
        {"COPY", 1039, {800, 540, 60, 20}},  {"Render->", 1036, {400, 570, 150, 50}},
        {"Play", 1037, {560, 570, 150, 50}}, {"Save(.WAV)", 1038, {720, 570, 150, 50}},
    };
    EXPECT_EQ(client()->findChildren<QPushButton*>().size(), std::size(rows));
    for (const ButtonRow& row : rows) {
        QPushButton* button = window->button(row.id);
        ASSERT_NE(button, nullptr) << row.label;
        EXPECT_EQ(button->text(), row.label);
        EXPECT_EQ(button->geometry(), row.rect) << row.label;
    }
    // Resizing moves nothing.
    window->resize(1200, 900);
    QApplication::processEvents();
    EXPECT_EQ(window->button(1038)->geometry(), QRect(720, 570, 150, 50));
}

TEST_F(MainWindowTest, MenusHoldTheFileEditLiveAndVersionCommandsInOrder) {
    QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(menus[0]->text(), "File");
    EXPECT_EQ(menus[1]->text(), "Edit");
    EXPECT_EQ(menus[2]->text(), "Live");
    EXPECT_EQ(menus[3]->text(), "Version");
    menus.removeAt(2);
    QStringList items;
    for (QAction* action : menus[0]->menu()->actions())
        items << (action->isSeparator() ? QStringLiteral("-")
                                        : action->text() + "=" + action->objectName());
    EXPECT_EQ(items,
              QStringList({"Load wave data=101", "Load sound data=102", "Save sound data=103", "-",
                           "Load sequence data=32779", "Save sequence data=32778",
                           "Import MIDI...=108", "Export MIDI...=107", "-", "Library...=109"}));
    QStringList edit;
    for (QAction* action : menus[1]->menu()->actions())
        edit << action->text() + "=" + action->objectName() + "=" +
                    action->shortcuts().value(0).toString() + "=" +
                    action->shortcuts().value(1).toString();
    EXPECT_EQ(edit, QStringList({"Undo=105=Ctrl+Z=", "Redo=106=Ctrl+Shift+Z=Ctrl+Y"}));
    ASSERT_EQ(menus[2]->menu()->actions().size(), 1);
    EXPECT_EQ(menus[2]->menu()->actions()[0]->objectName(), "104");
}

TEST_F(MainWindowTest, AnInstrumentStartsWithItsSongAndABareStartSaysHowToGetAWave) {
    // A bare start: nothing can sound, and the status line says where a wave comes from.
    window->dispatch(Command::pageForward1);
    EXPECT_TRUE(window->live().statusText().startsWith("Nothing can sound until a wave is loaded"))
        << window->live().statusText().toStdString();

    window->loadInstrument("jazz-organ");
    EXPECT_TRUE(dialogs.messages.empty());
    auto named = [](const char* text) { return nameFromTitle(QString(text).toStdU16String()); };
    EXPECT_EQ(state().waveName, named("organ-jazz"));
    EXPECT_EQ(state().settingsName, named("jazz-organ"));
    EXPECT_EQ(state().sequence.sequenceName, named("organ-blues"));
    EXPECT_EQ(state().sequence.tempo, 100);
    EXPECT_GT(state().sequence.noteCount(), 100u);
    EXPECT_FALSE(window->live().statusText().startsWith("Nothing"));
    EXPECT_FALSE(window->isWindowModified()); // nothing of it is unsaved work

    window->loadInstrument("no-such-thing");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0],
              "Vorel sound editor: The library has no instrument named \"no-such-thing\".");
}

TEST_F(MainWindowTest, TheLibraryShowsTheUsersOwnInstrumentAndAsksBeforeItReplacesUnsavedWork) {
    // The user's own index adds an instrument: the library's sub wave with the saw-bass sound.
    TempFolder temp;
    std::filesystem::create_directories(temp.file("vorel/library"));
    std::ofstream(temp.file("vorel/library/index.txt"))
        << "instrument | my-bass | Mine | " VOREL_LIBRARY_DIR "/waves/sub.vorelwf | "
        << VOREL_LIBRARY_DIR "/sounds/saw-bass.vorelsf | mine\n";
    const std::optional<QByteArray> dataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME")
                                                   ? std::optional(qgetenv("XDG_DATA_HOME"))
                                                   : std::nullopt;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(temp.path().string()));
    ASSERT_TRUE(state().settings.select(Param::detune, 3));
    dialogs.saveAnswers = {SaveAnswer::cancel, SaveAnswer::discard};
    onNextDialog(loadFromLibrary("my-bass (yours)"));
    window->dispatch(Command::library);
    EXPECT_EQ(state().settings.index(Param::detune), 3); // kept
    onNextDialog(loadFromLibrary("my-bass (yours)"));
    window->dispatch(Command::library);
    dataHome ? qputenv("XDG_DATA_HOME", *dataHome) : qunsetenv("XDG_DATA_HOME");

    EXPECT_EQ(dialogs.questions,
              std::vector<QString>(2, "Save changes to the unnamed sound settings?"));
    EXPECT_EQ(state().settings,
              loadSoundFile(VOREL_LIBRARY_DIR "/sounds/saw-bass.vorelsf").value());
    EXPECT_EQ(state().wave, loadWaveFile(VOREL_LIBRARY_DIR "/waves/sub.vorelwf").value());
    EXPECT_EQ(state().waveName, nameFromTitle(u"sub"));
    EXPECT_EQ(state().settingsName, nameFromTitle(u"saw-bass"));
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainWindowTest, PageButtonsWrapAroundTheEightyPages) {
    const std::pair<int, int> steps[] = {{82, 79}, {83, 0}, {81, 70}, {84, 0},
                                         {84, 10}, {82, 9}, {81, 79}, {84, 9}};
    for (auto [id, expected] : steps) {
        clickButton(client(), id);
        EXPECT_EQ(state().view.currentPage, expected) << "after button " << id;
    }
}

TEST_F(MainWindowTest, TempoButtonsStepAndStopAtTheLimits) {
    clickButton(client(), 92);
    EXPECT_EQ(state().sequence.tempo, 121);
    clickButton(client(), 93);
    clickButton(client(), 93);
    EXPECT_EQ(state().sequence.tempo, 119);
    for (int i = 0; i < 12; ++i)
        clickButton(client(), 91);
    EXPECT_EQ(state().sequence.tempo, 220);
    for (int i = 0; i < 15; ++i)
        clickButton(client(), 94);
    EXPECT_EQ(state().sequence.tempo, 80);
}

TEST_F(MainWindowTest, EachDivisionButtonTogglesItsOwnLines) {
    // Button id -> Division.
    const std::pair<int, Division> buttons[] = {
        {85, Division::quarter},   {86, Division::eighth},       {87, Division::twelfth},
        {88, Division::sixteenth}, {89, Division::twentyFourth}, {90, Division::thirtySecond}};
    for (auto [id, division] : buttons) {
        clickButton(client(), id);
        for (auto [otherId, other] : buttons)
            EXPECT_EQ(state().view.divisionLines[static_cast<std::size_t>(other)], otherId == id);
        clickButton(client(), id);
        EXPECT_EQ(state().view.divisionLines[static_cast<std::size_t>(division)], false);
    }
}

TEST_F(MainWindowTest, IdsOutsideTheCommandTableDoNothing) {
    EXPECT_FALSE(window->dispatch(0));
    EXPECT_FALSE(window->dispatch(80));
    EXPECT_FALSE(window->dispatch(1026));
    EXPECT_EQ(state().view.currentPage, 0);
    EXPECT_EQ(state().sequence.tempo, 120);
}

TEST_F(MainWindowTest, AboutBoxOpensFromTheMenuAndBothShortcutsAndClosesAnyWay) {
    std::vector<QString> seen;
    std::vector<int> pointSizes;
    auto expectAbout = [&](std::function<void(QDialog*)> close) {
        onNextDialog([&seen, &pointSizes, close](QDialog* dialog) {
            QStringList texts;
            for (QLabel* label : dialog->findChildren<QLabel*>())
                texts << label->text();
            seen.push_back(dialog->windowTitle() + "|" + texts.join("|"));
            pointSizes.push_back(dialog->font().pointSize());
            close(dialog);
        });
    };
    expectAbout([](QDialog* dialog) { clickButton(dialog, 1); });
    window->findChild<QAction*>("104")->trigger();
    auto pressOnWindow = [this](Qt::Key key) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), key, Qt::AltModifier);
    };
    expectAbout([](QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    pressOnWindow(Qt::Key_Question);
    expectAbout([](QDialog* dialog) { dialog->close(); });
    pressOnWindow(Qt::Key_Slash);
    ASSERT_EQ(seen.size(), 3u);
    for (const QString& text : seen) {
        EXPECT_TRUE(text.startsWith("Version info.|")) << text.toStdString();
        EXPECT_TRUE(text.contains("|Vorel sound editor|")) << text.toStdString();
    }
    EXPECT_EQ(pointSizes, std::vector<int>(3, 9));
}

TEST_F(MainWindowTest, LeftClicksPlayTheKeyOfTheRowOnlyInsideTheGrid) {
    click({500, 528});
    click({500, 92});
    click({400, 92});
    click({879, 529});
    click({450, 97}); // the lowest pixel row of key 72
    click({450, 98}); // the top row of key 71
    EXPECT_EQ(playedKeys, (std::vector<int>{0, 72, 72, 0, 72, 71}));
    playedKeys.clear();
    for (QPoint outside : {QPoint(880, 300), QPoint(500, 530), QPoint(399, 300), QPoint(500, 91)})
        click(outside);
    EXPECT_TRUE(playedKeys.empty());
}

TEST_F(MainWindowTest, RightClickOpensTheNoteDialogForTheClickedCell) {
    QStringList shown;
    auto readAndCancel = [&shown](QDialog* dialog) {
        shown << child<QLabel>(dialog, 1026)->text() + " " + child<QLabel>(dialog, 1027)->text();
        clickButton(dialog, 2);
    };
    onNextDialog(readAndCancel);
    click({400, 92}, Qt::RightButton);
    onNextDialog(readAndCancel);
    click({879, 529}, Qt::RightButton);
    onNextDialog(readAndCancel);
    click({400 + 5 * 27 + 4, 92 + 6 * (72 - 28) + 5}, Qt::RightButton); // tick 27, key 28
    EXPECT_EQ(shown, QStringList({"A7 01", "A1 96", "C#4 28"}));

    // Just outside the grid nothing opens.
    click({880, 529}, Qt::RightButton);
    click({879, 530}, Qt::RightButton);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTest, NoteEnteredWithTheMouseLandsOnThePageOnScreen) {
    clickButton(client(), 83); // page 2
    onNextDialog([](QDialog* dialog) {
        auto* length = child<QLineEdit>(dialog, 1031);
        length->clear();
        QTest::keyClicks(length, "12");
        clickButton(dialog, 1);
    });
    click({400 + 5 * 10, 528 - 6 * 5}, Qt::RightButton); // tick 10, key 5
    const NoteCell& cell = state().sequence.cell(1, 10, 5);
    EXPECT_EQ(cell.noteLength, 12);
    EXPECT_EQ(cell.keyLengthIndex, 7);
    EXPECT_EQ(cell.velocityIndex, 7);
    EXPECT_EQ(state().sequence.noteCount(), 1u);
}

TEST_F(MainWindowTest, RenderAndComputeFillTheBuffersAndPlayButtonsUseThem) {
    state().wave[0] = 1.0;
    state().sequence.placeNote(0, 36, 24, 9, 9);
    ASSERT_TRUE(window->dispatch(1036));
    EXPECT_FALSE(window->busy());
    const std::span<const std::int16_t> rendered = sharedSynth().renderBuffer();
    const std::size_t length = audibleLength(rendered);
    EXPECT_GT(length, 0u);

    // The window's render gives what the engine gives on this thread.
    const std::vector<std::int16_t> fromWindow(rendered.begin(), rendered.begin() + length);
    ASSERT_TRUE(sharedSynth().renderSequence(state().sequence, state().settings, state().wave));
    EXPECT_EQ(audibleLength(sharedSynth().renderBuffer()), length);
    EXPECT_TRUE(
        std::equal(fromWindow.begin(), fromWindow.end(), sharedSynth().renderBuffer().begin()));

    ASSERT_TRUE(window->dispatch(1025));
    for (int i = 0; i < previewCount; ++i)
        EXPECT_GT(audibleLength(sharedSynth().previewBuffer(i)), 0u) << i;
    for (int id : {1032, 1033, 1034, 1035, 1037})
        EXPECT_TRUE(window->dispatch(id));
}

TEST_F(MainWindowTest, ClosingDuringARenderCancelsItKeepsThePreviousResultAndThenCloses) {
    const std::span<const std::int16_t> rendered = sharedSynth().renderBuffer();
    const std::vector<std::int16_t> before(rendered.begin(), rendered.end());
    prepareALongRender(state());
    QTimer::singleShot(100, window.get(), [this] { window->close(); });
    ASSERT_TRUE(window->dispatch(1036));
    EXPECT_FALSE(window->busy());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), sharedSynth().renderBuffer().begin()));
}

// The progress dialog blocks nothing, so Qt does not drop a close request to the window: the
// close box and SIGTERM both stop the render at once.
TEST_F(MainWindowTest, ACloseRequestOrSigtermDuringARenderEndsItAtOnce) {
    TempFolder temp;
    window->keepWorkIn(temp.file("recovery"));
    CloseRequests requests;
    QObject::connect(&requests, &CloseRequests::requested, window.get(),
                     &MainWindow::closeUrgently);
    const std::span<const std::int16_t> rendered = sharedSynth().renderBuffer();
    const std::vector<std::int16_t> before(rendered.begin(), rendered.end());
    prepareALongRender(state());
    const std::function<void()> closeRequests[] = {
        [this] { QCoreApplication::postEvent(window->windowHandle(), new QCloseEvent); },
        [] { std::raise(SIGTERM); },
    };
    for (const auto& request : closeRequests) {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QElapsedTimer sinceRequest;
        QWindow* blocking = nullptr;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* progress = window->findChild<QProgressDialog*>();
            if (progress == nullptr || !progress->isVisible() || sinceRequest.isValid())
                return;
            blocking = QGuiApplication::modalWindow();
            sinceRequest.start();
            request();
        });
        watch.start(20);
        ASSERT_TRUE(window->dispatch(1036));
        ASSERT_TRUE(sinceRequest.isValid()) << "the render ended before its progress showed";
        EXPECT_EQ(blocking, nullptr);
        // The window closes long before the render could end; it needs a few milliseconds.
        EXPECT_LT(sinceRequest.elapsed(), 5000);
        EXPECT_FALSE(window->isVisible());
        EXPECT_TRUE(std::equal(before.begin(), before.end(), rendered.begin()));
    }
    // The close box asked about the notes; SIGTERM asked nothing and kept them for the next start.
    EXPECT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(
        std::filesystem::exists(window->unsavedWork().store()->copyPath(DocumentKind::sequence)));
}

using SettingsButtonTest = WindowTest;

TEST_F(SettingsButtonTest, ButtonsOpenTheirDialogsOnTheWindowsSettings) {
    const std::pair<int, QString> buttons[] = {
        {95, "Settings of pitch"}, {96, "Settings of AMP"}, {97, "Settings of LPF"}};
    for (const auto& [id, title] : buttons) {
        QString seen;
        onNextDialog([&seen](QDialog* dialog) {
            seen = dialog->windowTitle();
            for (QComboBox* box : dialog->findChildren<QComboBox*>())
                box->setCurrentIndex(box->count() - 1);
            clickButton(dialog, 1);
        });
        clickButton(client(), id);
        EXPECT_EQ(seen, title);
    }
    for (int number = 1; number <= parameterCount; ++number) {
        const Param param = paramFromNumber(number);
        EXPECT_EQ(state().settings.index(param), parameterInfo(param).choices - 1) << number;
    }
}

} // namespace
} // namespace vorel::test
