#include "TemporaryDataDirectory.h"
#include "stored/UnParam.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString writerProgram = QStringLiteral(LUMETTA_SETTINGS_WRITER);

std::unique_ptr<QProcess> startWriter(const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(writerProgram, arguments);
    return process;
}

bool waitForLine(QProcess &process, const QByteArray &line)
{
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(60000))
            return false;
    }
    return process.readLine().trimmed() == line;
}

} // namespace

TEST(RunningCopies, TwoCopiesWritingAtOnceLoseNoWrite)
{
    const TemporaryDataDirectory directory;
    const int count = 200;
    std::unique_ptr<QProcess> copies[] = {
        startWriter({"write", directory.path(), "TID_a", QString::number(count)}),
        startWriter({"write", directory.path(), "TID_b", QString::number(count)})};
    for (const auto &copy : copies)
        ASSERT_TRUE(waitForLine(*copy, "ready")) << copy->errorString().toStdString();
    for (const auto &copy : copies) {
        copy->write("\n");
        ASSERT_TRUE(copy->waitForBytesWritten());
    }
    for (const auto &copy : copies) {
        ASSERT_TRUE(copy->waitForFinished(600000));
        EXPECT_EQ(copy->exitCode(), 0);
    }
    int lost = 0;
    for (int i = 0; i < count; ++i) {
        const QString value = QStringLiteral("v%1").arg(i);
        for (const QString prefix : {"TID_a", "TID_b"})
            lost += ReadSetting(prefix + QString::number(i), QString()) == value ? 0 : 1;
    }
    EXPECT_EQ(lost, 0);
    EXPECT_FALSE(QFile::exists(SettingsFilePath() + ".lock"));
}

TEST(RunningCopies, ALockLeftByACopyThatEndedIsTakenOver)
{
    const TemporaryDataDirectory directory;
    const QString lockFile = SettingsFilePath() + ".lock";
    const std::unique_ptr<QProcess> holder = startWriter({"hold", directory.path()});
    ASSERT_TRUE(waitForLine(*holder, "held"));
    holder->kill();
    ASSERT_TRUE(holder->waitForFinished());
    ASSERT_TRUE(QFile::exists(lockFile));

    WriteSetting(QStringLiteral("Form1.EdUrl.Text"), QStringLiteral("http://x/"));
    EXPECT_EQ(ReadSetting(QStringLiteral("Form1.EdUrl.Text"), QString()),
              QStringLiteral("http://x/"));
    EXPECT_FALSE(QFile::exists(lockFile));
}
