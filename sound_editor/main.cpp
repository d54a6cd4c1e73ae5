// The sound editor: loads a wave, sets up the synthesizer, edits and renders a note sequence.
#include "platform/PcmPlayer.h"
#include "platform/ProgramMain.h"
#include "sound_editor/MainWindow.h"
#include "synth/PreviewTones.h"
#include "synth/Synth.h"

#include <QApplication>
#include <QIcon>

namespace {

int runSoundEditor(vorel::UserDialogs& dialogs, const vorel::CommandLine& line) {
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/sound_editor/vorel-sound-editor.png")));
    vorel::Synth synth;
    vorel::PcmPlayer player;
    const vorel::PreviewTones tones;
    vorel::sound::MainWindow window(synth, player, dialogs,
                                    [&tones](int key) { return tones.tone(key); });
    // Before the recovery offer: recovered work replaces the instrument without a question.
    if (!line.instrument.isEmpty())
        window.loadInstrument(line.instrument);
    return vorel::runDocumentWindow(window, line.files);
}

} // namespace

int main(int argc, char* argv[]) {
    // The icons live in the window library; a static library's resources are registered by hand.
    Q_INIT_RESOURCE(sound_editor);
    vorel::runWindowProgram(
        argc, argv,
        {QStringLiteral("vorel-sound-editor"), QStringLiteral("[FILE...]"),
         QStringLiteral("The Vorel sound editor: an additive synthesizer with a step sequencer."),
         true, true},
        QStringLiteral("Vorel sound editor"), runSoundEditor);
}
