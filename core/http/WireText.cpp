#include "http/WireText.h"

#include <algorithm>

namespace WireText {

namespace {

constexpr char Hex[] = "0123456789ABCDEF";

bool escapesInTarget(char16_t unit)
{
    return unit <= 0x20 || unit >= 0x7F;
}

bool escapesInHeader(char16_t unit)
{
    return unit != 0x20 && escapesInTarget(unit);
}

template <typename Predicate>
QString percentEscape(const QString &text, Predicate mustEscape)
{
    if (std::none_of(text.begin(), text.end(), [&](QChar c) { return mustEscape(c.unicode()); }))
        return text;
    QString out;
    out.reserve(text.size() * 3);
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype runStart = i;
        while (i < text.size() && mustEscape(text.at(i).unicode()))
            ++i;
        if (runStart == i) {
            out += text.at(i++);
            continue;
        }
        // The whole run at once, so that a surrogate pair becomes one character's bytes.
        for (const char byte : text.mid(runStart, i - runStart).toUtf8()) {
            const auto value = static_cast<unsigned char>(byte);
            out += u'%';
            out += QLatin1Char(Hex[value >> 4]);
            out += QLatin1Char(Hex[value & 0x0F]);
        }
    }
    return out;
}

} // namespace

bool isAscii(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7F)
            return false;
    }
    return true;
}

QString escapeRequestTarget(const QString &target)
{
    return percentEscape(target, escapesInTarget);
}

QString escapeHeaderValue(const QString &value)
{
    return percentEscape(value, escapesInHeader);
}

QByteArray toWireBytes(const QString &text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        bytes[i] = unit <= 0x7F ? static_cast<char>(unit) : '?';
    }
    return bytes;
}

QString fromWireBytes(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes.at(i));
        out[i] = byte < 0x80 ? QChar(byte) : QChar(QChar::ReplacementCharacter);
    }
    return text;
}

QString fromWireAddress(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            text += QLatin1Char(c);
        } else {
            text += u'%';
            text += QLatin1Char(Hex[byte >> 4]);
            text += QLatin1Char(Hex[byte & 0x0F]);
        }
    }
    return text;
}

} // namespace WireText
