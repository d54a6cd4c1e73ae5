#pragma once

#include "platform/CommandLine.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace vorel {

class DocumentWindow;
class UserDialogs;

// The start of a window program. Answers --help and --version before anything needs a display,
// then makes the application object (named `applicationName`), refuses unknown options, and
// hands `run` the system's dialogs and the command line. Ends the process
// with what `run` returns, once the window and the application are gone.
[[noreturn]] void
runWindowProgram(int argc, char* argv[], const ProgramDescription& program,
                 const QString& applicationName,
                 const std::function<int(UserDialogs& dialogs, const CommandLine& line)>& run);

// Shows the program's window and runs the event loop until it closes: the folders of the files
// used are remembered, SIGTERM and the session ending close it without questions, the recovery
// offer comes first, then the files are opened (each asks before replacing recovered work).
int runDocumentWindow(DocumentWindow& window, const QStringList& files);

} // namespace vorel
