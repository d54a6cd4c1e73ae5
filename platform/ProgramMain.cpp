#include "platform/ProgramMain.h"

#include "common/RecoveryIndex.h"
#include "platform/CloseRequests.h"
#include "platform/DocumentWindow.h"
#include "platform/ProcessExit.h"
#include "platform/UserDialogs.h"

#include <QApplication>

#include <cstdio>

namespace vorel {
namespace {

int runApplication(int argc, char* argv[], const ProgramDescription& program,
                   const QString& applicationName,
                   const std::function<int(UserDialogs&, const CommandLine&)>& run) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationName);
    if (const QString wrong = checkUnknownOptions(QApplication::arguments(), program);
        !wrong.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(wrong));
        return 1;
    }
    SystemDialogs dialogs;
    return run(dialogs, readCommandLine(QApplication::arguments(), program));
}

} // namespace

void runWindowProgram(int argc, char* argv[], const ProgramDescription& program,
                      const QString& applicationName,
                      const std::function<int(UserDialogs&, const CommandLine&)>& run) {
    const CommandLine line = readCommandLine(argumentsOf(argc, argv), program);
    if (line.exitStatus) {
        std::fputs(qPrintable(line.output), stdout);
        exitSkippingStaticTeardown(*line.exitStatus);
    }
    // The window, its player and the application are gone when runApplication returns.
    exitSkippingStaticTeardown(runApplication(argc, argv, program, applicationName, run));
}

int runDocumentWindow(DocumentWindow& window, const QStringList& files) {
    window.rememberFolders();
    window.show();
    CloseRequests closeRequests;
    QObject::connect(&closeRequests, &CloseRequests::requested, &window,
                     &DocumentWindow::closeUrgently);
    window.keepWorkIn(recoveryFolder());
    for (const QString& file : files)
        window.openFile(file);
    // A close request may have come before the event loop runs.
    return window.isVisible() ? QApplication::exec() : 0;
}

} // namespace vorel
