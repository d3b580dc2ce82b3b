#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The program's parameters and stored data: the settings file "setting.ini" with its value
// encodings, and the tracking-ID list with its file "TrackingId.txt". Both files live in the
// data directory: the executable's directory, or the user's configuration directory when the
// executable's cannot be written (see DataDirectoryFor), unless a test points it elsewhere.

struct TParametrs
{
    QString api_key;    // the affiliate API key in clear (the Open Platform's App Key)
    QString app_secret; // the Open Platform's App Secret in clear; empty: the old API is used
    QString currency = QStringLiteral("RUB"); // of the prices in the product's facts
    QString country = QStringLiteral("RU");   // the buyer's, for prices and shipping
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

// The directory both files are written to, with a trailing separator; they are read from
// there too once they exist there.
QString DataDirectory();
// The directory of both files for a program in executableDirectory: that directory when this
// user may write there, else the user's own configuration directory for the program.
QString DataDirectoryFor(const QString &executableDirectory);
// Where a file not yet in DataDirectory() is read from, with a trailing separator: the
// executable's directory when the files are written elsewhere, else empty. Files kept beside
// a program the user can no longer write to are so read until the first write moves them.
QString FormerDataDirectory();
QString FormerDataDirectoryFor(const QString &executableDirectory);
// Points both files at another directory, reading a file missing there from formerDirectory
// when one is given; an empty directory restores the executable's directory.
void SetDataDirectory(const QString &directory, const QString &formerDirectory = QString());
// The paths the files are written to.
QString SettingsFilePath();
QString TrackingIdFilePath();

// Name of the code page for text without a byte-order mark: the system's ANSI code page on
// Windows, the locale's character set elsewhere. Usable with QStringDecoder/QStringEncoder.
QByteArray SystemAnsiCodePage();

// The value of key in section "Parametrs" of the settings file, cut to 2047 characters, or
// defaultValue when the file, the section or the key is absent. codePage reads a file that has
// no byte-order mark and is not valid UTF-8.
QString ReadSetting(const QString &key, const QString &defaultValue,
                    const QByteArray &codePage = SystemAnsiCodePage());
// Stores value under key, creating the file and the section when needed and replacing the file
// only once it is complete; raises "Unable to write to <path>". Line breaks are dropped from
// the value; a key keeps its own name whatever it holds. The whole update holds the file's
// lock, so that running copies of the program do not lose each other's writes. On POSIX a
// file that then holds a non-empty "app_secret" is readable by its owner only.
void WriteSetting(const QString &key, const QString &value,
                  const QByteArray &codePage = SystemAnsiCodePage());

// Upper-case hexadecimal pairs of the UTF-8 bytes of text.
QString StrToHexUtf8(const QString &text);
// The inverse; a lone trailing character is ignored. Raises "'$<pair>' is not a valid integer
// value" on a pair that is not two hexadecimal digits, and the decoding failure on bytes that
// are not UTF-8.
QString HexUtf8ToStr(const QString &hex);
// Base64 of the UTF-8 bytes of text, with CR LF after every 76 characters of complete groups.
QString Base64EncodeText(const QString &text);
// The inverse; every character outside the Base64 alphabet ("=", line breaks, blanks and any
// non-ASCII character) is skipped. Raises the decoding failure on bytes that are not UTF-8.
QString Base64DecodeText(const QString &text);

// Fills AppParams.api_key and app_secret from "api_key" and "app_secret", read whole, currency
// from "currency" and country from "country"; never fails (an empty key or secret, RUB, RU,
// on any failure).
void LoadApiKey();
// Writes the Base64 forms of AppParams.api_key and app_secret under "api_key" and "app_secret",
// each on one line, currency under "currency" and country under "country"; an empty secret,
// RUB or RU only replaces a stored value. On POSIX a file that is to hold a secret is made readable
// by its owner only, before the secret reaches it.
void StoreApiKey();

// Fills TrackingIds from "TrackingId.txt" when it exists (in the former directory when the
// data directory has none yet).
void LoadTrackingIds(const QByteArray &codePage = SystemAnsiCodePage());
// Makes items the items of TrackingIds and writes them to "TrackingId.txt".
void SaveTrackingIds(const QStringList &items, const QByteArray &codePage = SystemAnsiCodePage());
