#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// A Windows GUI program has no console of its own: print to the one it was started from,
// unless its output already goes to a file or a pipe.
void useParentConsole()
{
#ifdef Q_OS_WIN
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((output == nullptr || output == INVALID_HANDLE_VALUE) &&
        AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
#endif
}

void print(FILE *stream, const QString &text)
{
    QTextStream(stream) << text;
}

} // namespace

std::optional<int> RunCommandLine(int argc, char **argv)
{
    if (argc <= 1)
        return std::nullopt;
    useParentConsole();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Dalvo Lumetta"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMETTA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Turns an AliExpress page address into a partner link and its short "
                       "form.\nStarted without options, it opens its window."));
    // Qt's own help option would also offer Qt's options, which the window never sees.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays the version and exits."));
    parser.addOptions({help, version});
    if (!parser.parse(QCoreApplication::arguments())) {
        print(stderr, parser.errorText() + QStringLiteral("\n") + parser.helpText());
        return 2;
    }
    if (parser.isSet(help)) {
        print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(version)) {
        print(stdout, QCoreApplication::applicationName() + QLatin1Char(' ') +
                          QCoreApplication::applicationVersion() + QLatin1Char('\n'));
        return 0;
    }
    print(stderr, QStringLiteral("Unexpected argument: %1\n%2")
                      .arg(parser.positionalArguments().value(0), parser.helpText()));
    return 2;
}
