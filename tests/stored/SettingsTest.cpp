#include "FileHelpers.h"
#include "TemporaryDataDirectory.h"
#include "stored/SettingsFile.h"
#include "stored/UnParam.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

const QByteArray cp1251("windows-1251");

class Settings : public ::testing::Test
{
protected:
    QString read(const QString &key, const QString &defaultValue = QStringLiteral("<default>"))
    {
        return ReadSetting(key, defaultValue, cp1251);
    }
    void write(const QString &key, const QString &value) { WriteSetting(key, value, cp1251); }
    void prepare(const QByteArray &bytes) { writeFileBytes(SettingsFilePath(), bytes); }
    QByteArray stored() const { return readFileBytes(SettingsFilePath()); }

    TemporaryDataDirectory m_dir;
};

} // namespace

TEST_F(Settings, PathsLieInTheDataDirectory)
{
    const QString directory = QDir::toNativeSeparators(m_dir.path()) + QDir::separator();
    EXPECT_EQ(DataDirectory(), directory);
    EXPECT_EQ(SettingsFilePath(), directory + "setting.ini");
    EXPECT_EQ(TrackingIdFilePath(), directory + "TrackingId.txt");
}

TEST_F(Settings, FilesStayBesideAWritableExecutableElseGoToTheUsersConfiguration)
{
    EXPECT_EQ(DataDirectoryFor(m_dir.path()),
              QDir::toNativeSeparators(m_dir.path()) + QDir::separator());

    const QString notWritable = QStringLiteral("/proc/1"); // not writable even for root
    if (QFileInfo(notWritable).isWritable())
        GTEST_SKIP() << "no directory here that this user cannot write to";
    QStandardPaths::setTestModeEnabled(true);
    const QString perUser = DataDirectoryFor(notWritable);
    QStandardPaths::setTestModeEnabled(false);
    EXPECT_FALSE(perUser.startsWith(notWritable));
    EXPECT_TRUE(QFileInfo(perUser).isDir());
    EXPECT_TRUE(QFileInfo(perUser).isWritable());
}

TEST_F(Settings, MissingFileGivesTheDefaultAndStaysMissing)
{
    EXPECT_EQ(read(QStringLiteral("Form1.EdUrl.Text"), QStringLiteral("http://home/")),
              QStringLiteral("http://home/"));
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
}

TEST_F(Settings, FirstWriteCreatesTheFileWithItsSection)
{
    write(QStringLiteral("Form1.EdTrackID.Text"), QStringLiteral("default"));
    write(QStringLiteral("Form1.EdUrl.Text"), QStringLiteral("http://x/"));
    EXPECT_EQ(stored(), QByteArray("[Parametrs]\r\n"
                                   "Form1.EdTrackID.Text=default\r\n"
                                   "Form1.EdUrl.Text=http://x/\r\n"));
    EXPECT_EQ(read(QStringLiteral("Form1.EdTrackID.Text")), QStringLiteral("default"));
    EXPECT_EQ(read(QStringLiteral("Form1.EdUrl.Text")), QStringLiteral("http://x/"));
}

TEST_F(Settings, KeepsOtherSectionsCommentsAndLineEndings)
{
    prepare("; written by hand\n"
            "[Other]\n"
            "api_key=not this one\n"
            "[Parametrs]\r\n"
            "; a comment=with an equals sign\r\n"
            "  api_key = old  \r\n"
            "loose line\r\n"
            "\r\n"
            "[Tail]\r"
            "x=1");
    EXPECT_EQ(read(QStringLiteral("api_key")), QStringLiteral("old"));
    EXPECT_EQ(read(QStringLiteral("; a comment")), QStringLiteral("<default>"));
    write(QStringLiteral("api_key"), QStringLiteral("new"));
    write(QStringLiteral("TID_abc"), QStringLiteral("414243"));
    EXPECT_EQ(stored(), QByteArray("; written by hand\n"
                                   "[Other]\n"
                                   "api_key=not this one\n"
                                   "[Parametrs]\r\n"
                                   "; a comment=with an equals sign\r\n"
                                   "api_key=new\r\n"
                                   "TID_abc=414243\r\n"
                                   "loose line\r\n"
                                   "\r\n"
                                   "[Tail]\r"
                                   "x=1"));
}

TEST_F(Settings, AddsTheSectionAfterALastLineWithoutBreak)
{
    prepare("[Other]\r\nx=1");
    write(QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_EQ(stored(), QByteArray("[Other]\r\nx=1\r\n[Parametrs]\r\nk=v\r\n"));
    EXPECT_EQ(read(QStringLiteral("x")), QStringLiteral("<default>"));
}

TEST_F(Settings, MatchesSectionAndKeyWithoutRegardToCase)
{
    prepare("[ PARAMETRS ]\r\nAPI_Key=abc\r\n");
    EXPECT_EQ(read(QStringLiteral("api_key")), QStringLiteral("abc"));
    EXPECT_EQ(read(QStringLiteral("API_KEY")), QStringLiteral("abc"));
    write(QStringLiteral("Api_KEY"), QStringLiteral("def"));
    EXPECT_EQ(stored(), QByteArray("[ PARAMETRS ]\r\nAPI_Key=def\r\n"));
    write(QStringLiteral("TID_Жук"), QStringLiteral("1"));
    EXPECT_EQ(read(QStringLiteral("tid_жУК")), QStringLiteral("1"));
}

TEST_F(Settings, ReadsAValueCutTo2047Characters)
{
    const QByteArray longValue(3000, 'x');
    prepare("[Parametrs]\r\nlong=" + longValue + "\r\nshort=" + longValue.left(2047) + "\r\n");
    EXPECT_EQ(read(QStringLiteral("long")), QString(2047, u'x'));
    EXPECT_EQ(read(QStringLiteral("short")), QString(2047, u'x'));
}

TEST_F(Settings, ValuesComeBackAsWritten)
{
    const QStringList values = {QString(),
                                QStringLiteral(" blank at the start"),
                                QStringLiteral("blank at the end\t"),
                                QStringLiteral("\"quoted\""),
                                QStringLiteral("'single'"),
                                QStringLiteral("\""),
                                QStringLiteral("a=b=c ; not a comment"),
                                QStringLiteral("[not a section]")};
    for (const QString &value : values) {
        write(QStringLiteral("key"), value);
        EXPECT_EQ(read(QStringLiteral("key")), value) << value.toStdString();
    }
    EXPECT_EQ(stored().count('\n'), 2) << stored().toStdString();
}

TEST_F(Settings, KeyHoldingAnEqualsSignKeepsItsOneLine)
{
    write(QStringLiteral("TID_a=b"), QStringLiteral("v1"));
    write(QStringLiteral("TID_a=b"), QStringLiteral("v2"));
    write(QStringLiteral("TID_c"), QStringLiteral("v3"));
    EXPECT_EQ(read(QStringLiteral("TID_A=B")), QStringLiteral("v2"));
    EXPECT_EQ(read(QStringLiteral("TID_c")), QStringLiteral("v3"));
    EXPECT_EQ(stored(), QByteArray("[Parametrs]\r\nTID_a=b=v2\r\nTID_c=v3\r\n"));
}

TEST_F(Settings, ReadsHandWrittenQuotesAndBlanksLikeTheSystemDoes)
{
    prepare("[Parametrs]\r\na = \"x y\" \r\nb='z'\r\nc=\"mixed'\r\n");
    EXPECT_EQ(read(QStringLiteral("a")), QStringLiteral("x y"));
    EXPECT_EQ(read(QStringLiteral(" b ")), QStringLiteral("z"));
    EXPECT_EQ(read(QStringLiteral("c")), QStringLiteral("\"mixed'"));
}

TEST_F(Settings, NeverWritesALineBreakInsideAValue)
{
    write(QStringLiteral("Form1.EdUrl.Text"), QStringLiteral("http://a/\r\n[Evil]\nx=1"));
    EXPECT_EQ(stored(), QByteArray("[Parametrs]\r\nForm1.EdUrl.Text=http://a/[Evil]x=1\r\n"));
}

TEST_F(Settings, KeepsTheEncodingOfAFileWithAMark)
{
    const QByteArray utf16le =
        literalBytes("\xFF\xFE[\0P\0a\0r\0a\0m\0e\0t\0r\0s\0]\0\r\0\n\0k\0=\0\x16\x04\r\0\n\0");
    prepare(utf16le);
    EXPECT_EQ(read(QStringLiteral("k")), QStringLiteral("Ж"));
    write(QStringLiteral("k"), QStringLiteral("Ё"));
    EXPECT_EQ(stored(), QByteArray(utf16le).replace("\x16\x04", "\x01\x04"));

    prepare(literalBytes("\xFE\xFF\0[\0P\0a\0r\0a\0m\0e\0t\0r\0s\0]\0\n\0k\0=\x04\x16"));
    EXPECT_EQ(read(QStringLiteral("k")), QStringLiteral("Ж"));
    write(QStringLiteral("k"), QStringLiteral("ab"));
    EXPECT_EQ(stored(), literalBytes("\xFE\xFF\0[\0P\0a\0r\0a\0m\0e\0t\0r\0s\0]\0\n\0k\0=\0a\0b"));

    prepare("\xEF\xBB\xBF[Parametrs]\r\nk=\xD0\x96\r\n");
    EXPECT_EQ(read(QStringLiteral("k")), QStringLiteral("Ж"));
    write(QStringLiteral("k"), QStringLiteral("一"));
    EXPECT_EQ(stored(), QByteArray("\xEF\xBB\xBF[Parametrs]\r\nk=\xE4\xB8\x80\r\n"));
}

TEST_F(Settings, ReadsUtf8WithoutAMarkAndTheCodePageOtherwise)
{
    prepare("[Parametrs]\r\nk=\xD0\x96\r\n");
    EXPECT_EQ(read(QStringLiteral("k")), QStringLiteral("Ж"));
    prepare("[Parametrs]\r\nk=\xC6\r\n");
    EXPECT_EQ(read(QStringLiteral("k")), QStringLiteral("Ж"));
    write(QStringLiteral("n"), QStringLiteral("ё"));
    EXPECT_EQ(stored(), QByteArray("[Parametrs]\r\nk=\xC6\r\nn=\xB8\r\n"));
}

TEST_F(Settings, TurnsToUtf8WhenTheCodePageCannotHoldAValue)
{
    prepare("[Parametrs]\r\nk=\xC6\r\n");
    write(QStringLiteral("n"), QStringLiteral("é"));
    EXPECT_EQ(stored(), QByteArray("[Parametrs]\r\nk=\xD0\x96\r\nn=\xC3\xA9\r\n"));
    EXPECT_EQ(read(QStringLiteral("k")), QStringLiteral("Ж"));
    EXPECT_EQ(read(QStringLiteral("n")), QStringLiteral("é"));
}

TEST_F(Settings, WritesANewFileInUtf8)
{
    write(QStringLiteral("TID_Жук"), QStringLiteral("Ж"));
    EXPECT_EQ(stored(), QByteArray("[Parametrs]\r\nTID_\xD0\x96\xD1\x83\xD0\xBA=\xD0\x96\r\n"));
}

TEST_F(Settings, FailedWriteKeepsTheFormerFile)
{
    const QByteArray former = "[Parametrs]\r\nForm1.EdUrl.Text=http://former/\r\n";
    prepare(former);
    {
        const FileSizeLimit limit(16);
        EXPECT_EQ(errorOf([this] { write(QStringLiteral("api_key"), QStringLiteral("x")); }),
                  "Unable to write to " + SettingsFilePath());
    }
    EXPECT_EQ(stored(), former);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("setting.ini")});
}

TEST_F(Settings, MissingDirectoryGivesTheWriteFailure)
{
    SetDataDirectory(m_dir.filePath(QStringLiteral("gone")));
    EXPECT_EQ(errorOf([this] { write(QStringLiteral("k"), QStringLiteral("v")); }),
              "Unable to write to " + SettingsFilePath());
    EXPECT_EQ(read(QStringLiteral("k")), QStringLiteral("<default>"));
}

TEST_F(Settings, ADirectoryInPlaceOfTheFileIsReportedAndKept)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("setting.ini")));
    EXPECT_EQ(read(QStringLiteral("k")), QStringLiteral("<default>"));
    EXPECT_EQ(errorOf([this] { write(QStringLiteral("k"), QStringLiteral("v")); }),
              "Unable to write to " + SettingsFilePath());
    EXPECT_TRUE(QFileInfo(SettingsFilePath()).isDir());
}

TEST(SettingsFileParse, FindsOnlyKeysOfTheSection)
{
    const SettingsFile file = SettingsFile::parse("k=outside\r\n[Parametrs]\r\nk=inside\r\n"
                                                  "[Other]\r\nq=1\r\n[parametrs]\r\nq=2\r\n",
                                                  cp1251);
    EXPECT_EQ(file.find(QStringLiteral("k")), QStringLiteral("inside"));
    EXPECT_EQ(file.find(QStringLiteral("q")), QStringLiteral("2"));
    EXPECT_EQ(file.find(QStringLiteral("missing")), std::nullopt);
}
