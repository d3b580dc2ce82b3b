#include "http/HttpAnswer.h"

namespace {

// The name of a "Name: value" line, empty when there is no colon. Views, not copies: a
// hostile answer may hold tens of thousands of lines, and each lookup passes over them all.
QStringView nameOf(const QString &line)
{
    const qsizetype colon = line.indexOf(u':');
    return colon < 0 ? QStringView() : QStringView(line).left(colon).trimmed();
}

bool hasName(const QString &line, const QString &name)
{
    const QStringView lineName = nameOf(line);
    return !lineName.isEmpty() && lineName.compare(name, Qt::CaseInsensitive) == 0;
}

QString valueOf(const QString &line)
{
    return line.mid(line.indexOf(u':') + 1).trimmed();
}

} // namespace

void HttpAnswer::startBlock(const QString &statusLine)
{
    m_statusLine = statusLine;
    m_statusCode = parseStatusCode(statusLine);
    m_headerLines.clear();
}

void HttpAnswer::addHeaderLine(const QString &line)
{
    m_headerLines.append(line);
}

void HttpAnswer::continueLastHeader(const QString &line)
{
    if (m_headerLines.isEmpty())
        m_headerLines.append(line.trimmed());
    else
        m_headerLines.last() += u' ' + line.trimmed();
}

void HttpAnswer::setHeader(const QString &name, const QString &value)
{
    m_headerLines.removeIf([&name](const QString &line) { return hasName(line, name); });
    m_headerLines.append(name + QStringLiteral(": ") + value);
}

QString HttpAnswer::header(const QString &name) const
{
    for (const QString &line : m_headerLines) {
        if (hasName(line, name))
            return valueOf(line);
    }
    return {};
}

QStringList HttpAnswer::headers(const QString &name) const
{
    QStringList values;
    for (const QString &line : m_headerLines) {
        if (hasName(line, name))
            values.append(valueOf(line));
    }
    return values;
}

QString HttpAnswer::mediaType() const
{
    const QString contentType = header(QStringLiteral("Content-Type"));
    return contentType.section(u';', 0, 0).trimmed().toLower();
}

QString HttpAnswer::contentTypeParameter(const QString &name) const
{
    const QStringList parts = header(QStringLiteral("Content-Type")).split(u';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const qsizetype equals = parts.at(i).indexOf(u'=');
        if (equals < 0 || parts.at(i).left(equals).trimmed().compare(name, Qt::CaseInsensitive))
            continue;
        QString value = parts.at(i).mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

bool HttpAnswer::isChunked() const
{
    for (const QString &value : headers(QStringLiteral("Transfer-Encoding"))) {
        if (value.contains(u"chunked", Qt::CaseInsensitive))
            return true;
    }
    return false;
}

int HttpAnswer::parseStatusCode(const QString &statusLine)
{
    const qsizetype space = statusLine.indexOf(u' ');
    if (space < 0)
        return -1;
    QString text = statusLine.mid(space + 1).trimmed();
    text = text.section(u' ', 0, 0).section(u'.', 0, 0);
    // Only plain digits, and few enough that they fit: a sign, a huge number or rubbish
    // is no status code.
    if (text.isEmpty() || text.size() > 9)
        return -1;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return -1;
    }
    return text.toInt();
}
