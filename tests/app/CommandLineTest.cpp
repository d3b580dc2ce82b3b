#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Outcome
{
    int exitCode = -1;
    QString output;
    QString errors;
};

// Runs a copy of the program in a scratch directory with a scratch home, without a display,
// so that a window or a stored file would show.
class CommandLineTest : public ::testing::Test
{
protected:
    Outcome run(const QStringList &arguments)
    {
        const QString program = directory.filePath(QStringLiteral("lumetta"));
        if (!QFile::exists(program))
            QFile::copy(QStringLiteral(LUMETTA_PROGRAM), program);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath("config"));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(directory.path());
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // Every file beside the copy and under the scratch home, but the copy itself.
    QStringList storedFiles() const
    {
        QStringList files = QDir(directory.path()).entryList(QDir::Files | QDir::Hidden);
        files.removeOne(QStringLiteral("lumetta"));
        return files + QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    QTemporaryDir directory;
    QTemporaryDir home;
};

TEST_F(CommandLineTest, VersionAndHelpPrintAndExitWithoutWindowOrFiles)
{
    for (const QString &option : {QStringLiteral("--version"), QStringLiteral("-v")}) {
        const Outcome outcome = run({option});
        EXPECT_EQ(outcome.exitCode, 0) << outcome.errors.toStdString();
        EXPECT_EQ(outcome.output, QStringLiteral("Dalvo Lumetta " LUMETTA_VERSION "\n"));
    }
    for (const QString &option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const Outcome outcome = run({option});
        EXPECT_EQ(outcome.exitCode, 0) << outcome.errors.toStdString();
        EXPECT_TRUE(outcome.output.startsWith(QStringLiteral("Usage: "))) << outcome.output.toStdString();
        EXPECT_TRUE(outcome.output.contains(QStringLiteral("--version")));
        EXPECT_FALSE(outcome.output.contains(QStringLiteral("--help-all")));
    }
    // Without a display, opening a window would have failed: these never tried.
    EXPECT_EQ(storedFiles(), QStringList());
}

TEST_F(CommandLineTest, UnknownOptionsAndArgumentsAreRefusedWithTheHelp)
{
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--bogus")}, QStringList{QStringLiteral("page.html")}}) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_TRUE(outcome.output.isEmpty());
        EXPECT_TRUE(outcome.errors.contains(QStringLiteral("Usage: "))) << outcome.errors.toStdString();
    }
    EXPECT_EQ(storedFiles(), QStringList());
}

} // namespace
