#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A code page for text stored without a byte-order mark, named as QStringDecoder and
// QStringEncoder know it ("windows-1251", "UTF-8", …). Decoding never fails; encoding turns
// every character the code page cannot hold into "?", as Windows does for its code pages.
class TextCodePage
{
public:
    explicit TextCodePage(const QByteArray &name);

    const QByteArray &name() const { return m_name; }

    QString decode(const QByteArray &bytes) const;
    QByteArray encode(const QString &text) const;
    // The bytes of text when the code page holds every character of it, else nothing.
    std::optional<QByteArray> encodeExactly(const QString &text) const;
    bool canEncode(const QString &text) const { return encodeExactly(text).has_value(); }

    // The system's code page: the ANSI code page on Windows, the locale's character set
    // elsewhere.
    static QByteArray systemName();

    // Strict UTF-8: the bytes must be valid UTF-8, else the decoding failure is raised.
    // A leading byte-order mark is kept as a character, not dropped.
    static QString decodeUtf8Strict(const QByteArray &bytes);
    static QString noMappingMessage();

private:
    QByteArray encodeEachCharacter(const QString &text) const;
    static QByteArray encodeLatin1(const QString &text);

    QByteArray m_name;
    bool m_known; // false for a name no converter knows; Latin-1 stands in then
#ifdef Q_OS_WIN
    // The code page that converts a name Qt does not know, 0 when there is none.
    unsigned m_windowsCodePage = 0;
#endif
};
