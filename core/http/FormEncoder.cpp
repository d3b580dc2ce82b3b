#include "http/FormEncoder.h"

#include "TrimText.h"

namespace FormEncoder {

namespace {

bool staysAsIs(char16_t unit)
{
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') ||
           (unit >= u'0' && unit <= u'9') || unit == u'*' || unit == u'-' || unit == u'.' ||
           unit == u'_';
}

void appendPercentEscaped(QString &out, const QString &character)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    for (const char byte : character.toUtf8()) {
        const auto value = static_cast<unsigned char>(byte);
        out += u'%';
        out += QLatin1Char(Hex[value >> 4]);
        out += QLatin1Char(Hex[value & 0x0F]);
    }
}

} // namespace

QString encodeText(const QString &text)
{
    QString out;
    out.reserve(text.size() * 3);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u' ') {
            out += u'+';
        } else if (staysAsIs(c.unicode())) {
            out += c;
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            appendPercentEscaped(out, text.mid(i, 2));
            ++i;
        } else if (c.isSurrogate()) {
            out += QStringLiteral("&#") + QString::number(c.unicode()) + u';';
        } else {
            appendPercentEscaped(out, QString(c));
        }
    }
    return out;
}

QString encodeLine(const QString &line)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return encodeText(line);
    return encodeText(line.left(equals)) + u'=' + encodeText(line.mid(equals + 1));
}

QString joinLines(const QStringList &encodedLines)
{
    if (encodedLines.size() == 1)
        return TrimText(encodedLines.first());
    return TrimText(encodedLines.join(QStringLiteral("\r\n")))
        .replace(QStringLiteral("\r\n"), QStringLiteral("&"));
}

QString encodeForm(const QStringList &lines)
{
    QStringList encoded;
    encoded.reserve(lines.size());
    for (const QString &line : lines)
        encoded.append(encodeLine(line));
    return joinLines(encoded);
}

} // namespace FormEncoder
