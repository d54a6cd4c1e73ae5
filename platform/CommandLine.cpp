#include "platform/CommandLine.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#ifndef VOREL_VERSION
#define VOREL_VERSION "0.0"
#endif

namespace vorel {
namespace {

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Shows this help and exits.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Shows the version and exits.")};
    QCommandLineOption instrument{
        QStringLiteral("instrument"),
        QStringLiteral(
            "Starts with an instrument of the library: its wave, its sound and its song."),
        QStringLiteral("NAME")};

    explicit Parser(const ProgramDescription& program) {
        parser.setApplicationDescription(program.summary);
        parser.addOption(help);
        parser.addOption(version);
        if (program.takesInstrument)
            parser.addOption(instrument);
        parser.addPositionalArgument(QStringLiteral("files"),
                                     program.severalFiles
                                         ? QStringLiteral("Files to open: waves (.vorelwf), sounds "
                                                          "(.vorelsf) and sequences (.vorelsqf).")
                                         : QStringLiteral("A wave file (.vorelwf) to open."),
                                     program.filesSyntax);
    }
};

} // namespace

QStringList argumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

QString programVersion() {
    return QStringLiteral(VOREL_VERSION);
}

CommandLine readCommandLine(const QStringList& arguments, const ProgramDescription& program) {
    Parser parsed(program);
    // Unknown options are not an error yet: they may be Qt's own.
    parsed.parser.parse(arguments);
    CommandLine line;
    if (parsed.parser.isSet(parsed.help)) {
        line.exitStatus = 0;
        // The usage line names the program as it is installed, however it was started.
        line.output =
            parsed.parser.helpText().replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                                             QStringLiteral("Usage: ") + program.name);
    } else if (parsed.parser.isSet(parsed.version)) {
        line.exitStatus = 0;
        line.output = program.name + QLatin1Char(' ') + programVersion() + QLatin1Char('\n');
    }
    line.files = parsed.parser.positionalArguments();
    if (program.takesInstrument)
        line.instrument = parsed.parser.value(parsed.instrument);
    return line;
}

QString checkUnknownOptions(const QStringList& arguments, const ProgramDescription& program) {
    Parser parsed(program);
    if (!parsed.parser.parse(arguments))
        return parsed.parser.errorText();
    if (!program.severalFiles && parsed.parser.positionalArguments().size() > 1)
        return QStringLiteral("%1 opens one file at a time.").arg(program.name);
    return {};
}

} // namespace vorel
