// The program's parameters, the data directory and the settings and list operations on it.

#include "stored/UnParam.h"

#include "LumettaError.h"
#include "stored/FileUpdateLock.h"
#include "stored/SettingsFile.h"
#include "stored/TextCodePage.h"
#include "stored/TrackingIdFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

TParametrs AppParams;
TrackingIdList TrackingIds;

namespace {

struct DataDirectoryOverride
{
    QString directory;
    QString former;
};

DataDirectoryOverride &dataDirectoryOverride()
{
    static DataDirectoryOverride chosen;
    return chosen;
}

QString executableDirectory()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
#ifdef Q_OS_LINUX
    // Before the application object exists its directory is still known to the system.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
#else
    return QDir::currentPath();
#endif
}

QString withTrailingSeparator(const QString &directory)
{
    QString native = QDir::toNativeSeparators(directory);
    if (!native.endsWith(QDir::separator()))
        native += QDir::separator();
    return native;
}

const QString apiKeyName = QStringLiteral("api_key");
const QString settingsFileName = QStringLiteral("setting.ini");
const QString trackingIdFileName = QStringLiteral("TrackingId.txt");

// The file to read: the one written once it exists, else the one in the former directory
// when that exists.
QString fileToRead(const QString &name)
{
    const QString written = DataDirectory() + name;
    const QString former = FormerDataDirectory();
    if (former.isEmpty() || QFileInfo::exists(written) || !QFileInfo::exists(former + name))
        return written;
    return former + name;
}

const QString appSecretName = QStringLiteral("app_secret");
const QString currencyName = QStringLiteral("currency");
const QString defaultCurrency = TParametrs().currency;
const QString countryName = QStringLiteral("country");
const QString defaultCountry = TParametrs().country;

QString decodedOrEmpty(const SettingsFile &file, const QString &name)
{
    try {
        return Base64DecodeText(file.value(name, QString()));
    } catch (...) {
        return QString();
    }
}

// The decoder skips line breaks, so dropping them keeps the value one line and whole.
QString oneLineBase64(const QString &text)
{
    return Base64EncodeText(text).remove(QLatin1String("\r\n"));
}

} // namespace

QString DataDirectory()
{
    const DataDirectoryOverride &chosen = dataDirectoryOverride();
    return chosen.directory.isEmpty() ? DataDirectoryFor(executableDirectory())
                                      : withTrailingSeparator(chosen.directory);
}

QString DataDirectoryFor(const QString &executableDirectory)
{
    if (QFileInfo(executableDirectory).isWritable())
        return withTrailingSeparator(executableDirectory);
    // Installed where this user may not write (a system-wide install): closing the main window
    // must save the inputs, and a failed save keeps the window open, so the files are written
    // to the user's own configuration directory instead.
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(perUser);
    return withTrailingSeparator(perUser);
}

QString FormerDataDirectory()
{
    const DataDirectoryOverride &chosen = dataDirectoryOverride();
    if (chosen.directory.isEmpty())
        return FormerDataDirectoryFor(executableDirectory());
    return chosen.former.isEmpty() ? QString() : withTrailingSeparator(chosen.former);
}

QString FormerDataDirectoryFor(const QString &executableDirectory)
{
    const QString own = withTrailingSeparator(executableDirectory);
    return DataDirectoryFor(executableDirectory) == own ? QString() : own;
}

void SetDataDirectory(const QString &directory, const QString &formerDirectory)
{
    dataDirectoryOverride() = {directory, formerDirectory};
}

QString SettingsFilePath()
{
    return DataDirectory() + settingsFileName;
}

QString TrackingIdFilePath()
{
    return DataDirectory() + trackingIdFileName;
}

QByteArray SystemAnsiCodePage()
{
    return TextCodePage::systemName();
}

QString ReadSetting(const QString &key, const QString &defaultValue, const QByteArray &codePage)
{
    const auto stored = SettingsFile::read(fileToRead(settingsFileName), codePage).find(key);
    return stored ? stored->left(SettingsFile::maxReadLength) : defaultValue;
}

void WriteSetting(const QString &key, const QString &value, const QByteArray &codePage)
{
    const QString path = SettingsFilePath();
    const FileUpdateLock lock(path);
    if (!lock.isLocked())
        throw LumettaError(SettingsFile::writeFailure(path));
    std::optional<SettingsFile> file =
        SettingsFile::readForUpdate(fileToRead(settingsFileName), codePage);
    if (!file)
        throw LumettaError(SettingsFile::writeFailure(path));
    file->setValue(key, value);
    // However the secret got there (the dialog, a copied file), others may not read it.
    file->write(path, !file->value(appSecretName, QString()).isEmpty());
}

void LoadApiKey()
{
    // Read whole, not cut like other values: a key of any length must come back.
    try {
        const SettingsFile file =
            SettingsFile::read(fileToRead(settingsFileName), SystemAnsiCodePage());
        AppParams.api_key = decodedOrEmpty(file, apiKeyName);
        AppParams.app_secret = decodedOrEmpty(file, appSecretName);
        AppParams.currency = file.value(currencyName, defaultCurrency).trimmed();
        AppParams.country = file.value(countryName, defaultCountry).trimmed();
    } catch (...) {
        AppParams.api_key.clear();
        AppParams.app_secret.clear();
    }
    if (AppParams.currency.isEmpty())
        AppParams.currency = defaultCurrency;
    if (AppParams.country.isEmpty())
        AppParams.country = defaultCountry;
}

void StoreApiKey()
{
    WriteSetting(apiKeyName, oneLineBase64(AppParams.api_key));
    // Without a secret, the file stays as the old API's users know it.
    if (!AppParams.app_secret.isEmpty() || !ReadSetting(appSecretName, QString()).isEmpty())
        WriteSetting(appSecretName, oneLineBase64(AppParams.app_secret));
    if (AppParams.currency != defaultCurrency || !ReadSetting(currencyName, QString()).isEmpty())
        WriteSetting(currencyName, AppParams.currency);
    if (AppParams.country != defaultCountry || !ReadSetting(countryName, QString()).isEmpty())
        WriteSetting(countryName, AppParams.country);
}

void LoadTrackingIds(const QByteArray &codePage)
{
    TrackingIdFile::load(fileToRead(trackingIdFileName), TrackingIds, codePage);
}

void SaveTrackingIds(const QStringList &items, const QByteArray &codePage)
{
    TrackingIdFile::save(TrackingIdFilePath(), TrackingIds, items, codePage);
}
