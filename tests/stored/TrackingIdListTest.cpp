#include "FileHelpers.h"
#include "TemporaryDataDirectory.h"
#include "stored/UnParam.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray cp1251("windows-1251");
const QString noMapping = QStringLiteral(
    "No mapping for the Unicode character exists in the target multi-byte code page");

class TrackingIdListFile : public ::testing::Test
{
protected:
    TrackingIdListFile() { TrackingIds = {{QStringLiteral("stale")}, ListEncoding::Utf16BE, true}; }
    ~TrackingIdListFile() override { TrackingIds = {}; }

    void load() { LoadTrackingIds(cp1251); }
    void save(const QStringList &items) { SaveTrackingIds(items, cp1251); }
    void prepare(const QByteArray &bytes) { writeFileBytes(TrackingIdFilePath(), bytes); }
    QByteArray stored() const { return readFileBytes(TrackingIdFilePath()); }

    // Loads bytes, checks the items and the encoding, saves the items unchanged and
    // returns the bytes written.
    QByteArray loadAndSaveUnchanged(const QByteArray &bytes, const QStringList &items,
                                    ListEncoding encoding)
    {
        prepare(bytes);
        load();
        EXPECT_EQ(TrackingIds.items, items);
        EXPECT_EQ(TrackingIds.encoding, encoding);
        save(TrackingIds.items);
        return stored();
    }

    TemporaryDataDirectory m_dir;
};

} // namespace

TEST_F(TrackingIdListFile, NoFileGivesAnEmptyListInTheCodePage)
{
    load();
    EXPECT_TRUE(TrackingIds.items.isEmpty());
    EXPECT_EQ(TrackingIds.encoding, ListEncoding::AnsiCodePage);
    save({});
    EXPECT_EQ(stored(), QByteArray());
    save({QStringLiteral("Жук"), QStringLiteral("b")});
    EXPECT_EQ(stored(), QByteArray("\xC6\xF3\xEA\r\nb\r\n"));
}

TEST_F(TrackingIdListFile, UnchangedUtf8FileIsWrittenBackByteForByte)
{
    const QByteArray file = "\xEF\xBB\xBF"
                            "default\r\n\xD0\x96\xD1\x83\xD0\xBA\r\nthird\r\n";
    EXPECT_EQ(loadAndSaveUnchanged(
                  file, {QStringLiteral("default"), QStringLiteral("Жук"), QStringLiteral("third")},
                  ListEncoding::Utf8),
              file);
}

TEST_F(TrackingIdListFile, UnchangedUtf16FilesAreWrittenBackByteForByte)
{
    const QByteArray little = literalBytes("\xFF\xFE"
                                           "a\0\x16\x04\r\0\n\0b\0\r\0\n\0");
    EXPECT_EQ(loadAndSaveUnchanged(little, {QStringLiteral("aЖ"), QStringLiteral("b")},
                                   ListEncoding::Utf16LE),
              little);
    const QByteArray big = literalBytes("\xFE\xFF\0a\x04\x16\0\r\0\n\0b\0\r\0\n");
    EXPECT_EQ(loadAndSaveUnchanged(big, {QStringLiteral("aЖ"), QStringLiteral("b")},
                                   ListEncoding::Utf16BE),
              big);
}

TEST_F(TrackingIdListFile, MarkOnlyIsAnEmptyListThatKeepsItsMark)
{
    const std::pair<QByteArray, ListEncoding> marks[] = {{"\xEF\xBB\xBF", ListEncoding::Utf8},
                                                         {"\xFF\xFE", ListEncoding::Utf16LE},
                                                         {"\xFE\xFF", ListEncoding::Utf16BE}};
    for (const auto &[mark, encoding] : marks)
        EXPECT_EQ(loadAndSaveUnchanged(mark, {}, encoding), mark);
}

TEST_F(TrackingIdListFile, EveryLineBreakEndsALine)
{
    EXPECT_EQ(loadAndSaveUnchanged("a\r\nb", {"a", "b"}, ListEncoding::AnsiCodePage),
              QByteArray("a\r\nb\r\n"));
    EXPECT_EQ(loadAndSaveUnchanged("a\nb\rc\r\n\r\n\rd\n", {"a", "b", "c", "", "", "d"},
                                   ListEncoding::AnsiCodePage),
              QByteArray("a\r\nb\r\nc\r\n\r\n\r\nd\r\n"));
    EXPECT_EQ(loadAndSaveUnchanged("\r\n", {""}, ListEncoding::AnsiCodePage), QByteArray("\r\n"));
}

TEST_F(TrackingIdListFile, KeepsDuplicatesEmptyItemsAndBlanks)
{
    const QStringList items = {" lead", "trail\t", "dup", "", "dup", "  "};
    EXPECT_EQ(loadAndSaveUnchanged(" lead\r\ntrail\t\r\ndup\r\n\r\ndup\r\n  \r\n", items,
                                   ListEncoding::AnsiCodePage),
              QByteArray(" lead\r\ntrail\t\r\ndup\r\n\r\ndup\r\n  \r\n"));
}

TEST_F(TrackingIdListFile, TextEndsAtTheFirstNul)
{
    prepare(literalBytes("a\r\nb\0c\r\nd\r\n"));
    load();
    EXPECT_EQ(TrackingIds.items, QStringList({"a", "b"}));
    prepare(literalBytes("\xFF\xFE"
                         "x\0\0\0y\0"));
    load();
    EXPECT_EQ(TrackingIds.items, QStringList({"x"}));
}

TEST_F(TrackingIdListFile, OddUtf16ByteIsDroppedButAMarkWithOneByteFails)
{
    prepare(literalBytes("\xFF\xFE"
                         "a\0b"));
    load();
    EXPECT_EQ(TrackingIds.items, QStringList({"a"}));

    prepare("\xFF\xFE"
            "a");
    EXPECT_EQ(errorOf([this] { load(); }), noMapping);
    EXPECT_TRUE(TrackingIds.items.isEmpty());
    EXPECT_EQ(TrackingIds.encoding, ListEncoding::Utf16LE);

    prepare("\xFE\xFF"
            "a");
    EXPECT_EQ(errorOf([this] { load(); }), noMapping);
    EXPECT_EQ(TrackingIds.encoding, ListEncoding::Utf16BE);
}

TEST_F(TrackingIdListFile, BadUtf8AfterAMarkFailsAndRemembersUtf8)
{
    prepare("\xEF\xBB\xBF"
            "ok\r\n\xD0\r\n");
    EXPECT_EQ(errorOf([this] { load(); }), noMapping);
    EXPECT_TRUE(TrackingIds.items.isEmpty());
    EXPECT_EQ(TrackingIds.encoding, ListEncoding::Utf8);
    // The list is then saved in UTF-8 with its mark.
    save({QStringLiteral("Ж")});
    EXPECT_EQ(stored(), QByteArray("\xEF\xBB\xBF\xD0\x96\r\n"));
}

TEST_F(TrackingIdListFile, CodePageTurnsWhatItCannotHoldIntoQuestionMarks)
{
    prepare("\xC6\xF3\xEA\r\n\x88\r\n");
    load();
    EXPECT_EQ(TrackingIds.items, QStringList({"Жук", "€"}));
    save({QStringLiteral("Жé"), QStringLiteral("一二"), QStringLiteral("€")});
    EXPECT_EQ(stored(), QByteArray("\xC6?\r\n??\r\n\x88\r\n"));
    load();
    EXPECT_EQ(TrackingIds.items, QStringList({"Ж?", "??", "€"}));
}

TEST_F(TrackingIdListFile, ItemWithALineBreakLoadsBackAsSeveral)
{
    prepare("\xEF\xBB\xBF");
    load();
    save({QStringLiteral("a\nb"), QStringLiteral("c")});
    EXPECT_EQ(stored(), QByteArray("\xEF\xBB\xBF"
                                   "a\nb\r\nc\r\n"));
    load();
    EXPECT_EQ(TrackingIds.items, QStringList({"a", "b", "c"}));
}

TEST_F(TrackingIdListFile, SaveReplacesTheItemsButKeepsTheEncoding)
{
    prepare(literalBytes("\xFF\xFE"
                         "a\0"));
    load();
    TrackingIds.writeByteOrderMark = false;
    save({QStringLiteral("b")});
    EXPECT_EQ(TrackingIds.items, QStringList({"b"}));
    EXPECT_EQ(TrackingIds.encoding, ListEncoding::Utf16LE);
    EXPECT_EQ(stored(), literalBytes("b\0\r\0\n\0"));
}

TEST_F(TrackingIdListFile, DirectoryInPlaceOfTheFileCannotBeCreated)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("TrackingId.txt")));
    load(); // a directory is no list file
    EXPECT_TRUE(TrackingIds.items.isEmpty());
    TrackingIds.items = QStringList{QStringLiteral("kept")};
    const QString message = errorOf([this] { save({QStringLiteral("new")}); });
    EXPECT_TRUE(message.startsWith("Cannot create file \"" + TrackingIdFilePath() + "\". "))
        << message.toStdString();
    EXPECT_GT(message.size(),
              QStringLiteral("Cannot create file \"\". ").size() + TrackingIdFilePath().size());
    EXPECT_EQ(TrackingIds.items, QStringList({"kept"}));
}

TEST_F(TrackingIdListFile, MissingDirectoryCannotBeCreated)
{
    SetDataDirectory(m_dir.filePath(QStringLiteral("gone")));
    const QString message = errorOf([this] { save({QStringLiteral("new")}); });
    EXPECT_TRUE(message.startsWith("Cannot create file \"" + TrackingIdFilePath() + "\". "))
        << message.toStdString();
    EXPECT_EQ(TrackingIds.items, QStringList({"stale"}));
}

TEST_F(TrackingIdListFile, FailedWriteKeepsTheFormerFile)
{
    const QByteArray former = "\xEF\xBB\xBF"
                              "one\r\ntwo\r\n";
    prepare(former);
    load();
    {
        const FileSizeLimit limit(16);
        EXPECT_EQ(errorOf([this] { save({QString(40, u'x')}); }),
                  QStringLiteral("Stream write error"));
    }
    EXPECT_EQ(TrackingIds.items, QStringList({QString(40, u'x')}));
    EXPECT_EQ(stored(), former);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("TrackingId.txt")});
}

TEST_F(TrackingIdListFile, FileThatCannotBeOpenedIsReported)
{
    // A socket cannot be opened as a file, not even by root.
    const QByteArray path = QFile::encodeName(TrackingIdFilePath());
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof(address.sun_path));
    std::copy(path.begin(), path.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);

    const QString message = errorOf([this] { load(); });
    ::close(sock);
    EXPECT_TRUE(message.startsWith("Cannot open file \"" + TrackingIdFilePath() + "\". "))
        << message.toStdString();
    EXPECT_TRUE(TrackingIds.items.isEmpty());
    EXPECT_EQ(TrackingIds.encoding, ListEncoding::AnsiCodePage);
}
