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
    for (const QString& file : vorel::readCommandLine(QApplication::arguments(), program).files)
        window.openFile(file);
    return app.exec();
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
