#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the client keeps of the last answer: its status, its header lines and its body.
class HttpAnswer
{
public:
    // Starts the record of a new status line; the headers of an earlier block are dropped.
    void startBlock(const QString &statusLine);
    void addHeaderLine(const QString &line);
    // A line that began with a space or tab continues the header before it.
    void continueLastHeader(const QString &line);
    // Replaces every header of that name (or adds it) with this one value.
    void setHeader(const QString &name, const QString &value);

    const QString &statusLine() const { return m_statusLine; }
    // The code after the status line's first space, or -1 when that is no number.
    int statusCode() const { return m_statusCode; }
    const QStringList &headerLines() const { return m_headerLines; }

    // The first value of the header with this name (any case), or a null string.
    QString header(const QString &name) const;
    QStringList headers(const QString &name) const;

    // The media type in lower case, without parameters ("" when there is no Content-Type).
    QString mediaType() const;
    // A parameter of Content-Type ("charset", "boundary"), unquoted; null when absent.
    QString contentTypeParameter(const QString &name) const;
    bool isChunked() const;
    // The connection header values that decide whether a connection is kept.
    QString connection() const { return header(QStringLiteral("Connection")); }
    QString proxyConnection() const { return header(QStringLiteral("Proxy-Connection")); }

    QByteArray body;

    static int parseStatusCode(const QString &statusLine);

private:
    QString m_statusLine;
    int m_statusCode = -1;
    QStringList m_headerLines;
};
