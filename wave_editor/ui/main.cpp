#include "common/RecoveryIndex.h"
#include "platform/CloseRequests.h"
#include "platform/CommandLine.h"
#include "platform/ProcessExit.h"
#include "platform/UserDialogs.h"
#include "wave_editor/ui/WaveEditorWindow.h"

#include <QApplication>

#include <cstdio>

namespace {

const vorel::ProgramDescription program{
    QStringLiteral("vorel"), QStringLiteral("[FILE.vorelwf]"),
    QStringLiteral("The Vorel wave editor: one periodic wave designed from its harmonics."), false};

int run(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vorel");
    if (const QString wrong = vorel::checkUnknownOptions(QApplication::arguments(), program);
        !wrong.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(wrong));
        return 1;
    }

    vorel::SystemDialogs dialogs;
    vorel::wave::WaveEditorWindow window(dialogs);
    window.rememberFolders();
    window.move(0, 0);
    window.show();
    // SIGTERM and the session ending close the window without questions.
    vorel::CloseRequests closeRequests;
    QObject::connect(&closeRequests, &vorel::CloseRequests::requested, &window,
                     &vorel::wave::WaveEditorWindow::closeUrgently);
    // Offered before the file named here is opened: that asks before replacing recovered work.
    window.keepWorkIn(vorel::recoveryFolder());
    for (const QString& file : vorel::readCommandLine(QApplication::arguments(), program).files)
        window.openFile(file);
    // A close request may have come before the event loop runs.
    return window.isVisible() ? app.exec() : 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // --help and --version are answered before anything needs a display.
    const vorel::CommandLine line = vorel::readCommandLine(vorel::argumentsOf(argc, argv), program);
    if (line.exitStatus) {
        std::fputs(qPrintable(line.output), stdout);
        return *line.exitStatus;
    }
    // The window, its sound and the application are gone when run() returns.
    vorel::exitSkippingStaticTeardown(run(argc, argv));
}
