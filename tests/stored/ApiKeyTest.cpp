#include "FileHelpers.h"
#include "TemporaryDataDirectory.h"
#include "stored/UnParam.h"

#include <gtest/gtest.h>

namespace {

class ApiKey : public ::testing::Test
{
protected:
    ApiKey() { AppParams.api_key = QStringLiteral("left over"); }
    ~ApiKey() override { AppParams.api_key.clear(); }

    QByteArray stored() const { return readFileBytes(SettingsFilePath()); }

    TemporaryDataDirectory m_dir;
};

// A key of the given length in UTF-8 bytes when length is even, mixing one- and two-byte
// characters.
QString keyOfLength(int length)
{
    QString key;
    for (int i = 0; i < length; ++i)
        key += i % 3 == 2 ? QStringLiteral("Ж") : QString(QChar(u'a' + i % 26));
    return key;
}

} // namespace

TEST_F(ApiKey, AnyLengthComesBackAfterStoreAndLoad)
{
    for (int length : {0, 1, 37, 55, 56, 57, 58, 113, 114, 115, 1000, 1600, 5000}) {
        const QString key = keyOfLength(length);
        AppParams.api_key = key;
        StoreApiKey();
        // One line for the section and one for the key: no line break inside the value.
        EXPECT_EQ(stored().count('\n'), 2) << length;
        AppParams.api_key = QStringLiteral("something else");
        LoadApiKey();
        EXPECT_EQ(AppParams.api_key, key) << length;
    }
}

TEST_F(ApiKey, StoresTheBase64FormOnOneLine)
{
    AppParams.api_key = QString(57, u'a');
    StoreApiKey();
    EXPECT_EQ(stored(), "[Parametrs]\r\napi_key=" + QByteArray("YWFh").repeated(19) + "\r\n");
    AppParams.api_key = QString(58, u'a');
    StoreApiKey();
    EXPECT_EQ(stored(), "[Parametrs]\r\napi_key=" + QByteArray("YWFh").repeated(19) + "YQ==\r\n");
}

TEST_F(ApiKey, EmptyKeyIsStoredEmptyAndLoadsEmpty)
{
    AppParams.api_key.clear();
    StoreApiKey();
    EXPECT_EQ(stored(), QByteArray("[Parametrs]\r\napi_key=\r\n"));
    AppParams.api_key = QStringLiteral("x");
    LoadApiKey();
    EXPECT_EQ(AppParams.api_key, QString());
}

TEST_F(ApiKey, NoFileGivesAnEmptyKey)
{
    LoadApiKey();
    EXPECT_EQ(AppParams.api_key, QString());
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
}

TEST_F(ApiKey, ValueThatIsNotUtf8GivesAnEmptyKeyQuietly)
{
    const QByteArray file = "[Parametrs]\r\napi_key=/w==\r\n";
    writeFileBytes(SettingsFilePath(), file);
    LoadApiKey();
    EXPECT_EQ(AppParams.api_key, QString());
    EXPECT_EQ(stored(), file);
}

TEST_F(ApiKey, LoadsAHandSplitValue)
{
    // Line breaks and blanks inside the value are skipped by the decoder.
    writeFileBytes(SettingsFilePath(), "[parametrs]\nAPI_KEY = \"Zm9v YmFy\"\n");
    LoadApiKey();
    EXPECT_EQ(AppParams.api_key, QStringLiteral("foobar"));
}

TEST_F(ApiKey, StoreFailureIsRaisedAndTheKeyStaysInMemory)
{
    SetDataDirectory(m_dir.filePath(QStringLiteral("gone")));
    AppParams.api_key = QStringLiteral("new key");
    EXPECT_EQ(errorOf([] { StoreApiKey(); }), "Unable to write to " + SettingsFilePath());
    EXPECT_EQ(AppParams.api_key, QStringLiteral("new key"));
}
