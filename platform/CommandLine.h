#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vorel {

// What a window program's command line asks for. It is read before the application object
// exists, so that --help and --version work without a display.
struct CommandLine {
    std::optional<int> exitStatus; // print `output` and end with this status
    QString output;                // the help or version text
    QStringList files;             // the files to open at start, in order
    QString instrument;            // --instrument NAME: the library's instrument to start with
};

// The program's name ("vorel"), the text after "Usage: NAME [options]" for the files
// ("[FILE.vorelwf]"), a sentence of what it is, whether it takes several files, and whether it
// starts with an instrument of the library when asked to (--instrument NAME).
struct ProgramDescription {
    QString name;
    QString filesSyntax;
    QString summary;
    bool severalFiles = false;
    bool takesInstrument = false;
};

// Reads -h/--help, -v/--version and the file names from `arguments` (the program's arguments,
// its own name first). Other options are left for the application object, which knows Qt's own
// (-platform, -style, …) and takes them away before checkUnknownOptions is asked.
CommandLine readCommandLine(const QStringList& arguments, const ProgramDescription& program);

// After the application object has taken its options: a message for any option that is still
// unknown, or for more files than the program takes; empty when all is well.
QString checkUnknownOptions(const QStringList& arguments, const ProgramDescription& program);

// The arguments as the application object would see them, before it exists.
QStringList argumentsOf(int argc, char* argv[]);

// The version of the programs, as the build states it.
QString programVersion();

} // namespace vorel
