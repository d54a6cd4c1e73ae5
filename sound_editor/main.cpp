// The sound editor: loads a wave, sets up the synthesizer, edits and renders a note sequence.
#include "platform/CommandLine.h"
#include "platform/PcmPlayer.h"
#include "platform/ProcessExit.h"
#include "platform/UserDialogs.h"
#include "sound_editor/MainWindow.h"
#include "synth/PreviewTones.h"
#include "synth/Synth.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

namespace {

const vorel::ProgramDescription program{
    QStringLiteral("vorel-sound-editor"), QStringLiteral("[FILE...]"),
    QStringLiteral("The Vorel sound editor: an additive synthesizer with a step sequencer."), true};

int run(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorel sound editor"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/sound_editor/vorel-sound-editor.png")));
    if (const QString wrong = vorel::checkUnknownOptions(QApplication::arguments(), program);
        !wrong.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(wrong));
        return 1;
    }

    vorel::Synth synth;
    vorel::PcmPlayer player;
    vorel::SystemDialogs dialogs;
    const vorel::PreviewTones tones;

    vorel::MainWindow window(synth, player, dialogs, [&tones](int key) { return tones.tone(key); });
    window.rememberFolders();
    window.show();
    for (const QString& file : vorel::readCommandLine(QApplication::arguments(), program).files)
        window.openFile(file);
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    // --help and --version are answered before anything needs a display.
    const vorel::CommandLine line = vorel::readCommandLine(vorel::argumentsOf(argc, argv), program);
    if (line.exitStatus) {
        std::fputs(qPrintable(line.output), stdout);
        return *line.exitStatus;
    }
    // The icons live in the window library; a static library's resources are registered by hand.
    Q_INIT_RESOURCE(sound_editor);
    // The window, the player and the application are gone when run() returns.
    vorel::exitSkippingStaticTeardown(run(argc, argv));
}
