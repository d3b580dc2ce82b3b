// The encoders of values kept in the settings file: hexadecimal and Base64 of UTF-8.

#include "stored/UnParam.h"

#include "LumettaError.h"
#include "stored/HexDigit.h"
#include "stored/TextCodePage.h"

namespace {

constexpr qsizetype base64LineBytes = 57; // 76 characters a line

int base64DigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z')
        return u - u'A';
    if (u >= u'a' && u <= u'z')
        return u - u'a' + 26;
    if (u >= u'0' && u <= u'9')
        return u - u'0' + 52;
    if (u == u'+')
        return 62;
    if (u == u'/')
        return 63;
    return -1;
}

// The 6-bit values of the alphabet characters, in order; everything else is skipped,
// "=" included, so data after padding still counts.
QByteArray base64Digits(const QString &text)
{
    QByteArray digits;
    digits.reserve(text.size());
    for (const QChar c : text) {
        const int value = base64DigitValue(c);
        if (value >= 0)
            digits.append(char(value));
    }
    return digits;
}

} // namespace

QString StrToHexUtf8(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toHex().toUpper());
}

QString HexUtf8ToStr(const QString &hex)
{
    // A lone trailing character has no partner and is ignored.
    QByteArray bytes;
    bytes.reserve(hex.size() / 2);
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        const int high = HexDigitValue(hex.at(i));
        const int low = HexDigitValue(hex.at(i + 1));
        if (high < 0 || low < 0)
            throw LumettaError(
                QStringLiteral("'$%1' is not a valid integer value").arg(hex.mid(i, 2)));
        bytes.append(char(high * 16 + low));
    }
    return TextCodePage::decodeUtf8Strict(bytes);
}

QString Base64EncodeText(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    QByteArray encoded;
    for (qsizetype start = 0; start < bytes.size(); start += base64LineBytes) {
        const QByteArray line = bytes.mid(start, base64LineBytes);
        encoded.append(line.toBase64());
        if (line.size() == base64LineBytes)
            encoded.append("\r\n");
    }
    return QString::fromLatin1(encoded);
}

QString Base64DecodeText(const QString &text)
{
    const QByteArray digits = base64Digits(text);
    QByteArray bytes;
    bytes.reserve(digits.size() / 4 * 3 + 2);
    quint32 bits = 0;
    int bitCount = 0;
    for (const char digit : digits) {
        bits = (bits << 6) | quint32(digit);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes.append(char((bits >> bitCount) & 0xFF));
        }
    }
    // A single leftover character carries fewer than eight bits and so gives nothing.
    return TextCodePage::decodeUtf8Strict(bytes);
}
