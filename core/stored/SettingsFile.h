#pragma once

#include "stored/TextCodePage.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Our initialisation-file layer: the one section "Parametrs" of "setting.ini", with lines of
// the form key=value. Sections and keys match without regard to case. Every line the program
// does not change is written back byte for byte, whatever it holds.
//
// Without a byte-order mark each line is read on its own: as UTF-8 when it is valid UTF-8,
// else in the code page, so that a line of either kind can stand beside the other.
class SettingsFile
{
public:
    static constexpr qsizetype maxReadLength = 2047;

    // An empty file, as before the first write.
    explicit SettingsFile(const QByteArray &codePage);

    // Reads the file at path; a missing or unreadable file reads as empty.
    static SettingsFile read(const QString &path, const QByteArray &codePage);
    // As read(), but nothing for a file that exists and cannot be read: writing it anew
    // would lose its other lines.
    static std::optional<SettingsFile> readForUpdate(const QString &path,
                                                     const QByteArray &codePage);
    // Parses the bytes of a file: a UTF-8 or UTF-16 byte-order mark decides the encoding.
    static SettingsFile parse(const QByteArray &bytes, const QByteArray &codePage);

    // The stored value of key, whole; nothing when the section or the key is absent.
    std::optional<QString> find(const QString &key) const;
    QString value(const QString &key, const QString &defaultValue) const;
    // Stores value under key, adding the section and the key when needed. Line breaks are
    // dropped from the value; a value with blanks or quotes at its ends is quoted so that it
    // reads back as written.
    void setValue(const QString &key, const QString &value);

    QByteArray toBytes() const;
    // Replaces the file at path atomically; raises "Unable to write to <path>". On POSIX an
    // ownerOnly file gets mode 0600 before its bytes are written; otherwise a former file's
    // mode is kept.
    void write(const QString &path, bool ownerOnly = false) const;
    static QString writeFailure(const QString &path);

    // The one rule for keys, on reading and on writing: blanks at the ends of a key do not
    // count, and "%", "=", CR, LF and a leading "[" or ";" are stored as "%" and two
    // hexadecimal digits, so that every key keeps a line of its own and its own name.
    // Any other "%" of a hand-written key stands for itself.
    static QString storedKeyName(const QString &key);
    static QString keyOfStoredName(const QString &name);

private:
    enum class Encoding { NoMark, Utf8WithMark, Utf16LE, Utf16BE };

    struct Line
    {
        QString text;         // as read, for finding keys and sections
        QByteArray bytes;     // as in the file, without the line break
        QByteArray lineBreak; // as in the file, empty on a last line without one
        bool inCodePage = false;
    };

    struct KeyLine
    {
        QString name; // as it stands in the file
        QString value;
        qsizetype index = -1; // of the line, when found in the file
    };

    static std::optional<QString> sectionName(const QString &line);
    static std::optional<KeyLine> keyLine(const QString &line);
    static QString unquoted(const QString &value);
    static QString quotedIfNeeded(const QString &value);
    static std::optional<QByteArray> readBytes(const QString &path);
    void splitByteLines(const QByteArray &bytes);
    void splitUtf16Lines(const QByteArray &bytes);
    Line byteLine(const QByteArray &bytes) const;
    QByteArray encodeLine(const QString &text, bool inCodePage) const;
    QByteArray newLineBreak() const;
    void setLineText(qsizetype index, const QString &text);
    void insertLine(qsizetype at, const QString &text);
    bool prefersCodePage() const;
    QList<qsizetype> sectionLines() const;
    std::optional<KeyLine> findKey(const QString &key) const;
    qsizetype findSectionEnd() const;

    TextCodePage m_codePage;
    Encoding m_encoding = Encoding::NoMark;
    QList<Line> m_lines;
    QByteArray m_oddByte; // the last byte of a UTF-16 file of odd length
};
