// The Open Platform's App Secret beside the key in the settings file: its round trip, its
// one-line Base64 form, and a file only its owner may read once it holds a secret.
#include "FileHelpers.h"
#include "TemporaryDataDirectory.h"
#include "stored/UnParam.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

namespace {

class AppSecret : public ::testing::Test
{
protected:
    ~AppSecret() override { AppParams = TParametrs(); }

    QByteArray stored() const { return readFileBytes(SettingsFilePath()); }

    TemporaryDataDirectory m_dir;
};

TEST_F(AppSecret, ComesBackAfterStoreAndLoadOnOneLine)
{
    AppParams.api_key = QStringLiteral("12345678");
    AppParams.app_secret = QString(60, u's') + QStringLiteral("Ж");
    StoreApiKey();
    const QByteArray bytes = stored();
    EXPECT_EQ(bytes.count('\n'), 3) << bytes.toStdString();
    // 62 bytes: more than one Base64 line's worth, kept on one line.
    const QByteArray base64 = AppParams.app_secret.toUtf8().toBase64();
    EXPECT_TRUE(bytes.endsWith("\r\napp_secret=" + base64 + "\r\n")) << bytes.toStdString();
    EXPECT_FALSE(bytes.contains(QByteArray(60, 's'))); // never in clear

    AppParams = TParametrs();
    LoadApiKey();
    EXPECT_EQ(AppParams.api_key, QStringLiteral("12345678"));
    EXPECT_EQ(AppParams.app_secret, QString(60, u's') + QStringLiteral("Ж"));

    // Clearing the secret replaces the stored one.
    AppParams.app_secret.clear();
    StoreApiKey();
    EXPECT_TRUE(stored().endsWith("\r\napp_secret=\r\n")) << stored().toStdString();
    AppParams.app_secret = QStringLiteral("x");
    LoadApiKey();
    EXPECT_EQ(AppParams.app_secret, QString());
}

TEST_F(AppSecret, KeyWithoutSecretLeavesTheFileAsBefore)
{
    AppParams.api_key = QStringLiteral("1");
    StoreApiKey();
    EXPECT_EQ(stored(), QByteArray("[Parametrs]\r\napi_key=MQ==\r\n"));
}

TEST_F(AppSecret, DamagedSecretLoadsEmptyAndKeepsTheKey)
{
    writeFileBytes(SettingsFilePath(), "[Parametrs]\r\napi_key=MTIz\r\napp_secret=/w==\r\n");
    AppParams.app_secret = QStringLiteral("left over");
    LoadApiKey();
    EXPECT_EQ(AppParams.api_key, QStringLiteral("123"));
    EXPECT_EQ(AppParams.app_secret, QString());
}

TEST_F(AppSecret, CurrencyIsKeptInClearAndRubleByDefault)
{
    AppParams.api_key = QStringLiteral("1");
    LoadApiKey();
    EXPECT_EQ(AppParams.currency, QStringLiteral("RUB"));
    AppParams.currency = QStringLiteral("EUR");
    StoreApiKey();
    EXPECT_TRUE(stored().endsWith("\r\ncurrency=EUR\r\n")) << stored().toStdString();
    AppParams = TParametrs();
    LoadApiKey();
    EXPECT_EQ(AppParams.currency, QStringLiteral("EUR"));
    // Back to the default replaces the stored one; a blank value reads as the default.
    AppParams.currency = QStringLiteral("RUB");
    StoreApiKey();
    EXPECT_TRUE(stored().endsWith("\r\ncurrency=RUB\r\n"));
    WriteSetting(QStringLiteral("currency"), QStringLiteral("  "));
    AppParams.currency = QStringLiteral("USD");
    LoadApiKey();
    EXPECT_EQ(AppParams.currency, QStringLiteral("RUB"));
}

TEST_F(AppSecret, BuyersCountryIsKeptInClearAndRussiaByDefault)
{
    AppParams.api_key = QStringLiteral("1");
    StoreApiKey();
    EXPECT_FALSE(stored().contains("country")) << stored().toStdString();
    LoadApiKey();
    EXPECT_EQ(AppParams.country, QStringLiteral("RU"));
    AppParams.country = QStringLiteral("KZ");
    StoreApiKey();
    EXPECT_TRUE(stored().endsWith("\r\ncountry=KZ\r\n")) << stored().toStdString();
    AppParams = TParametrs();
    LoadApiKey();
    EXPECT_EQ(AppParams.country, QStringLiteral("KZ"));
    // Back to the default replaces the stored one; a blank value reads as the default.
    AppParams.country = QStringLiteral("RU");
    StoreApiKey();
    EXPECT_TRUE(stored().endsWith("\r\ncountry=RU\r\n"));
    WriteSetting(QStringLiteral("country"), QStringLiteral(" "));
    AppParams.country = QStringLiteral("US");
    LoadApiKey();
    EXPECT_EQ(AppParams.country, QStringLiteral("RU"));
}

#ifndef Q_OS_WIN
TEST_F(AppSecret, FileHoldingASecretIsReadableByItsOwnerOnly)
{
    constexpr auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto others = QFileDevice::ReadGroup | QFileDevice::ReadOther;

    AppParams.api_key = QStringLiteral("1");
    StoreApiKey();
    WriteSetting(QStringLiteral("Form1.EdUrl.Text"), QStringLiteral("x"));
    ASSERT_TRUE(QFile::setPermissions(SettingsFilePath(), ownerOnly | others));

    AppParams.app_secret = QStringLiteral("secret");
    StoreApiKey();
    EXPECT_EQ(QFile::permissions(SettingsFilePath()) & (ownerOnly | others), ownerOnly);
    // Later writes keep the mode, and the other lines survive.
    WriteSetting(QStringLiteral("Form1.EdTrackID.Text"), QStringLiteral("demo"));
    EXPECT_EQ(QFile::permissions(SettingsFilePath()) & (ownerOnly | others), ownerOnly);
    EXPECT_EQ(ReadSetting(QStringLiteral("Form1.EdUrl.Text"), QString()), QStringLiteral("x"));

    // A file that does not exist yet is created private.
    QFile::remove(SettingsFilePath());
    StoreApiKey();
    EXPECT_EQ(QFile::permissions(SettingsFilePath()) & (ownerOnly | others), ownerOnly);
    AppParams = TParametrs();
    LoadApiKey();
    EXPECT_EQ(AppParams.app_secret, QStringLiteral("secret"));
}

TEST_F(AppSecret, EveryWriteLeavesAFileHoldingASecretToItsOwner)
{
    constexpr auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto asCopied = ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const QString url = QStringLiteral("Form1.EdUrl.Text");
    struct Case
    {
        const char *what;
        QByteArray before; // readable by others, as a copied file may be
        std::function<void()> write;
        bool holdsSecret;
    };
    const Case cases[] = {
        {"another value beside a copied secret", "[Parametrs]\r\napp_secret=c2VjcmV0\r\n",
         [&] { WriteSetting(url, QStringLiteral("x")); }, true},
        {"another value beside a secret of any case", "[Parametrs]\r\nApp_Secret=c2VjcmV0\r\n",
         [&] { WriteSetting(url, QStringLiteral("x")); }, true},
        {"a secret written as a value", "[Parametrs]\r\n",
         [] { WriteSetting(QStringLiteral("app_secret"), QStringLiteral("c2VjcmV0")); }, true},
        {"an empty secret", "[Parametrs]\r\napp_secret=\r\n",
         [&] { WriteSetting(url, QStringLiteral("x")); }, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        writeFileBytes(SettingsFilePath(), c.before);
        ASSERT_TRUE(QFile::setPermissions(SettingsFilePath(), asCopied));
        c.write();
        EXPECT_EQ(QFile::permissions(SettingsFilePath()) & asCopied,
                  c.holdsSecret ? ownerOnly : asCopied);
        EXPECT_EQ(ReadSetting(QStringLiteral("app_secret"), QString()).isEmpty(), !c.holdsSecret);
    }
}

TEST(AppSecretInTheConfigurationFolder, FirstSecretKeepsTheLinesBesideTheExecutable)
{
    const QTemporaryDir executable;
    const QTemporaryDir configuration;
    writeFileBytes(executable.filePath(QStringLiteral("setting.ini")),
                   "[Parametrs]\r\nForm1.EdUrl.Text=http://old/\r\n");
    SetDataDirectory(configuration.path(), executable.path());

    AppParams.api_key = QStringLiteral("1");
    AppParams.app_secret = QStringLiteral("secret");
    StoreApiKey();
    EXPECT_EQ(ReadSetting(QStringLiteral("Form1.EdUrl.Text"), QString()), "http://old/");
    EXPECT_EQ(QFile::permissions(SettingsFilePath()) &
                  (QFileDevice::ReadGroup | QFileDevice::ReadOther),
              QFileDevice::Permissions());

    SetDataDirectory(QString());
    AppParams = TParametrs();
}
#endif

} // namespace
