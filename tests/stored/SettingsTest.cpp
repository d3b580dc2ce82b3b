#include "FileHelpers.h"
#include "TemporaryDataDirectory.h"
#include "stored/SettingsFile.h"
#include "stored/UnParam.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

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

TEST_F(Settings, FilesStayBesideAWritableExecutableElseAreWrittenToTheUsersConfiguration)
{
    EXPECT_EQ(DataDirectoryFor(m_dir.path()),
              QDir::toNativeSeparators(m_dir.path()) + QDir::separator());
    EXPECT_EQ(FormerDataDirectoryFor(m_dir.path()), QString());

    const QString notWritable = QStringLiteral("/proc/1"); // not writable even for root
    if (QFileInfo(notWritable).isWritable())
        GTEST_SKIP() << "no directory here that this user cannot write to";
    QStandardPaths::setTestModeEnabled(true);
    const QString perUser = DataDirectoryFor(notWritable);
    const QString former = FormerDataDirectoryFor(notWritable);
    QStandardPaths::setTestModeEnabled(false);
    EXPECT_EQ(former, QDir::toNativeSeparators(notWritable) + QDir::separator());
    EXPECT_FALSE(perUser.startsWith(notWritable));
    EXPECT_TRUE(QFileInfo(perUser).isDir());
    EXPECT_TRUE(QFileInfo(perUser).isWritable());
}

TEST(FormerDataDirectory, FilesBesideTheExecutableAreReadUntilTheFirstWriteOfEach)
{
    const QTemporaryDir executable;
    const QTemporaryDir configuration;
    const QByteArray settings = "[Parametrs]\r\napi_key=Zm9v\r\nForm1.EdUrl.Text=http://old/\r\n";
    const QByteArray list = "\xEF\xBB\xBFone\r\ntwo\r\n";
    writeFileBytes(executable.filePath(QStringLiteral("setting.ini")), settings);
    writeFileBytes(executable.filePath(QStringLiteral("TrackingId.txt")), list);
    SetDataDirectory(configuration.path(), executable.path());

    LoadApiKey();
    EXPECT_EQ(AppParams.api_key, QStringLiteral("foo"));
    EXPECT_EQ(ReadSetting(QStringLiteral("Form1.EdUrl.Text"), QString()), "http://old/");
    LoadTrackingIds(cp1251);
    EXPECT_EQ(TrackingIds.items, QStringList({"one", "two"}));

    // The first write of each file takes the other lines along to the new place.
    WriteSetting(QStringLiteral("Form1.EdTrackID.Text"), QStringLiteral("two"), cp1251);
    EXPECT_EQ(readFileBytes(SettingsFilePath()), settings + "Form1.EdTrackID.Text=two\r\n");
    SaveTrackingIds({QStringLiteral("one")}, cp1251);
    EXPECT_EQ(readFileBytes(TrackingIdFilePath()), "\xEF\xBB\xBFone\r\n");
    EXPECT_TRUE(SettingsFilePath().startsWith(QDir::toNativeSeparators(configuration.path())));

    // From then on the files beside the executable are left alone.
    EXPECT_EQ(readFileBytes(executable.filePath(QStringLiteral("setting.ini"))), settings);
    EXPECT_EQ(readFileBytes(executable.filePath(QStringLiteral("TrackingId.txt"))), list);
    writeFileBytes(executable.filePath(QStringLiteral("setting.ini")),
                   "[Parametrs]\r\nForm1.EdUrl.Text=http://changed/\r\n");
    EXPECT_EQ(ReadSetting(QStringLiteral("Form1.EdUrl.Text"), QString()), "http://old/");
    LoadTrackingIds(cp1251);
    EXPECT_EQ(TrackingIds.items, QStringList{"one"});

    SetDataDirectory(QString());
    AppParams.api_key.clear();
    TrackingIds = {};
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

TEST_F(Settings, KeysHoldingEqualsSignsOrLineBreaksKeepTheirOwnNames)
{
    write(QStringLiteral("TID_a=b"), QStringLiteral("41"));
    write(QStringLiteral("TID_a"), QStringLiteral("42"));
    write(QStringLiteral("TID_a=b"), QStringLiteral("43"));
    write(QStringLiteral("TID_x\r\ny"), QStringLiteral("44"));
    write(QStringLiteral("TID_%3D"), QStringLiteral("45"));
    EXPECT_EQ(read(QStringLiteral("TID_A=B")), QStringLiteral("43"));
    EXPECT_EQ(read(QStringLiteral("TID_a")), QStringLiteral("42"));
    EXPECT_EQ(read(QStringLiteral("TID_x\r\ny")), QStringLiteral("44"));
    EXPECT_EQ(read(QStringLiteral("TID_xy")), QStringLiteral("<default>"));
    EXPECT_EQ(read(QStringLiteral("TID_%3D")), QStringLiteral("45"));
    EXPECT_EQ(read(QStringLiteral("TID_=")), QStringLiteral("<default>"));
    EXPECT_EQ(stored(), QByteArray("[Parametrs]\r\nTID_a%3Db=43\r\nTID_a=42\r\n"
                                   "TID_x%0D%0Ay=44\r\nTID_%253D=45\r\n"));

    // A key that would start a section or a comment line is found again as well.
    write(QStringLiteral("[x]"), QStringLiteral("46"));
    write(QStringLiteral(";y"), QStringLiteral("47"));
    write(QStringLiteral(";y"), QStringLiteral("48"));
    EXPECT_EQ(read(QStringLiteral("[x]")), QStringLiteral("46"));
    EXPECT_EQ(read(QStringLiteral(";y")), QStringLiteral("48"));
    EXPECT_EQ(read(QStringLiteral("TID_a")), QStringLiteral("42"));
    EXPECT_EQ(stored().count('\n'), 7) << stored().toStdString();
}

TEST_F(Settings, HandWrittenKeysWithAPercentSignAreFound)
{
    prepare("[Parametrs]\r\nTID_50%=a\r\nTID_%zz=b\r\n");
    EXPECT_EQ(read(QStringLiteral("TID_50%")), QStringLiteral("a"));
    EXPECT_EQ(read(QStringLiteral("TID_%zz")), QStringLiteral("b"));
    write(QStringLiteral("TID_50%"), QStringLiteral("c"));
    EXPECT_EQ(stored(), QByteArray("[Parametrs]\r\nTID_50%=c\r\nTID_%zz=b\r\n"));
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

TEST_F(Settings, LinesNotWrittenKeepTheirBytes)
{
    // A value the code page cannot hold goes in UTF-8 on its own line; the others stay.
    prepare("[Parametrs]\r\nk=\xC6\r\n");
    write(QStringLiteral("n"), QStringLiteral("é"));
    EXPECT_EQ(stored(), QByteArray("[Parametrs]\r\nk=\xC6\r\nn=\xC3\xA9\r\n"));
    EXPECT_EQ(read(QStringLiteral("k")), QStringLiteral("Ж"));
    EXPECT_EQ(read(QStringLiteral("n")), QStringLiteral("é"));
    write(QStringLiteral("k"), QStringLiteral("ё"));
    EXPECT_EQ(stored(), QByteArray("[Parametrs]\r\nk=\xB8\r\nn=\xC3\xA9\r\n"));

    // Bytes that the code page or UTF-8 cannot read, with and without a mark, and a UTF-16
    // file with a lone surrogate and an odd last byte.
    const QList<std::pair<QByteArray, QByteArray>> files{
        {"[Parametrs]\r\nTID_\xC6\xF3\xEA=D096\r\n", "new=1\r\n"},
        {"\xEF\xBB\xBF[Parametrs]\r\nbad=\xFF\xC0\x80\xED\xA0\x80\r\n", "new=1\r\n"},
        {literalBytes("\xFF\xFE[\0P\0a\0r\0a\0m\0e\0t\0r\0s\0]\0\n\0\x00\xD8=\0\n\0"),
         literalBytes("n\0e\0w\0=\0"
                      "1\0\r\0\n\0")},
    };
    for (const auto &[file, added] : files) {
        prepare(file + (file.startsWith("\xFF\xFE") ? "x" : ""));
        WriteSetting(QStringLiteral("new"), QStringLiteral("1"), "UTF-8");
        EXPECT_EQ(stored(), file + added + (file.startsWith("\xFF\xFE") ? "x" : ""));
        EXPECT_EQ(ReadSetting(QStringLiteral("new"), QString(), "UTF-8"), QStringLiteral("1"));
    }
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
