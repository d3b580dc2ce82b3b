#pragma once

#include "stored/TextCodePage.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Our initialisation-file layer: the one section "Parametrs" of "setting.ini", with lines of
// the form key=value. Sections and keys match without regard to case; every line the program
// does not change is written back as it was, in the encoding the file was read in.
class SettingsFile
{
public:
    static constexpr qsizetype maxReadLength = 2047;

    // An empty file, as before the first write.
    explicit SettingsFile(const QByteArray &codePage);

    // Reads the file at path; a missing or unreadable file reads as empty.
    static SettingsFile read(const QString &path, const QByteArray &codePage);
    // As read(), but a file that exists and cannot be read raises the write failure: writing
    // it anew would lose its other lines.
    static SettingsFile readForUpdate(const QString &path, const QByteArray &codePage);
    // Parses the bytes of a file: a UTF-8 or UTF-16 byte-order mark decides the encoding,
    // else valid UTF-8 is read as UTF-8 and anything else in the code page.
    static SettingsFile parse(const QByteArray &bytes, const QByteArray &codePage);

    // The stored value of key, whole; nothing when the section or the key is absent.
    std::optional<QString> find(const QString &key) const;
    QString value(const QString &key, const QString &defaultValue) const;
    // Stores value under key, adding the section and the key when needed. Line breaks are
    // dropped from both; a value with blanks or quotes at its ends is quoted so that it
    // reads back as written.
    void setValue(const QString &key, const QString &value);

    QByteArray toBytes() const;
    // Replaces the file at path atomically; raises "Unable to write to <path>".
    void write(const QString &path) const;

private:
    enum class Encoding { Utf8, Utf8WithMark, Utf16LE, Utf16BE, CodePage };

    struct Line
    {
        QString text;
        QString lineBreak; // as found, empty on a last line without one
    };

    struct KeyLine
    {
        QString key;
        QString value;
        qsizetype index = -1; // of the line, when found in the file
    };

    static std::optional<QString> sectionName(const QString &line);
    static std::optional<KeyLine> keyLine(const QString &line);
    static QString unquoted(const QString &value);
    static QString quotedIfNeeded(const QString &value);
    static std::optional<QByteArray> readBytes(const QString &path);
    static QString writeFailure(const QString &path);
    void setText(const QString &text);
    QString text() const;
    void insertLine(qsizetype at, const QString &text);
    QList<qsizetype> sectionLines() const;
    std::optional<KeyLine> findKey(const QString &key) const;
    qsizetype findSectionEnd() const;

    TextCodePage m_codePage;
    Encoding m_encoding = Encoding::Utf8;
    QList<Line> m_lines;
};
