// The sound editor: loads a wave, sets up the synthesizer, edits and renders a note sequence.
#include "platform/PcmPlayer.h"
#include "platform/ProcessExit.h"
#include "platform/UserDialogs.h"
#include "sound_editor/MainWindow.h"
#include "synth/PreviewTones.h"
#include "synth/Synth.h"

#include <QApplication>
#include <QIcon>

namespace {

int run(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorel sound editor"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/sound_editor/vorel-sound-editor.png")));

    vorel::Synth synth;
    vorel::PcmPlayer player;
    vorel::SystemDialogs dialogs;
    const vorel::PreviewTones tones;

    vorel::MainWindow window(synth, player, dialogs, [&tones](int key) { return tones.tone(key); });
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    // The icons live in the window library; a static library's resources are registered by hand.
    Q_INIT_RESOURCE(sound_editor);
    // The window, the player and the application are gone when run() returns.
    vorel::exitSkippingStaticTeardown(run(argc, argv));
}
