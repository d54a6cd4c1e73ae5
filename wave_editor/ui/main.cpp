// The wave editor: one periodic wave designed from its harmonics.
#include "platform/ProgramMain.h"
#include "wave_editor/ui/WaveEditorWindow.h"

namespace {

int runWaveEditor(vorel::UserDialogs& dialogs, const vorel::CommandLine& line) {
    vorel::wave::WaveEditorWindow window(dialogs);
    window.move(0, 0);
    return vorel::runDocumentWindow(window, line.files);
}

const vorel::ProgramDescription program{
    QStringLiteral("vorel"), QStringLiteral("[FILE.vorelwf]"),
    QStringLiteral("The Vorel wave editor: one periodic wave designed from its harmonics."), false};

} // namespace

int main(int argc, char* argv[]) {
    vorel::runWindowProgram(argc, argv, program, QStringLiteral("Vorel"), runWaveEditor);
}
