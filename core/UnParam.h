#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The program's parameters and stored data: the settings file "setting.ini" with its value
// encodings, and the tracking-ID list with its file "TrackingId.txt". Both files live in the
// data directory, which is the executable's directory unless a test points it elsewhere.

struct TParametrs
{
    QString api_key; // the affiliate API key in clear
};

extern TParametrs AppParams;

enum class ListEncoding { Utf8, Utf16LE, Utf16BE, AnsiCodePage };

struct TrackingIdList
{
    QStringList items;
    ListEncoding encoding = ListEncoding::AnsiCodePage; // remembered from the last load
    bool writeByteOrderMark = true;
};

extern TrackingIdList TrackingIds;

// The directory of both files, with a trailing separator.
QString DataDirectory();
// Points both files at another directory; an empty path restores the executable's directory.
void SetDataDirectory(const QString &directory);
QString SettingsFilePath();
QString TrackingIdFilePath();

// Name of the code page for text without a byte-order mark: the system's ANSI code page on
// Windows, the locale's character set elsewhere. Usable with QStringDecoder/QStringEncoder.
QByteArray SystemAnsiCodePage();

QString ReadSetting(const QString &key, const QString &defaultValue,
                    const QByteArray &codePage = SystemAnsiCodePage());
void WriteSetting(const QString &key, const QString &value,
                  const QByteArray &codePage = SystemAnsiCodePage());

QString StrToHexUtf8(const QString &text);
QString HexUtf8ToStr(const QString &hex);
QString Base64EncodeText(const QString &text);
QString Base64DecodeText(const QString &text);

// Fills AppParams.api_key from "api_key"; never fails (an empty key on any failure).
void LoadApiKey();
// Writes the Base64 form of AppParams.api_key under "api_key".
void StoreApiKey();

// Fills TrackingIds from "TrackingId.txt" when it exists.
void LoadTrackingIds(const QByteArray &codePage = SystemAnsiCodePage());
// Makes items the items of TrackingIds and writes them to "TrackingId.txt".
void SaveTrackingIds(const QStringList &items, const QByteArray &codePage = SystemAnsiCodePage());
