#include "http/CookieDate.h"

#include <QStringList>
#include <QTimeZone>

namespace CookieDate {

namespace {

bool isDelimiter(char16_t c)
{
    return c == 0x09 || (c >= 0x20 && c <= 0x2F) || (c >= 0x3B && c <= 0x40) ||
           (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x7E);
}

QStringList tokens(const QString &text)
{
    QStringList result;
    QString current;
    for (const QChar c : text) {
        if (isDelimiter(c.unicode())) {
            if (!current.isEmpty())
                result.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.isEmpty())
        result.append(current);
    return result;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Reads min..max leading digits of `token` from `at`; -1 when there are too few or too many.
int leadingNumber(const QString &token, qsizetype &at, int minDigits, int maxDigits)
{
    const qsizetype start = at;
    while (at < token.size() && isDigit(token.at(at)) && at - start < maxDigits + 1)
        ++at;
    const qsizetype count = at - start;
    if (count < minDigits || count > maxDigits)
        return -1;
    return token.mid(start, count).toInt();
}

bool readTime(const QString &token, int &hour, int &minute, int &second)
{
    qsizetype at = 0;
    hour = leadingNumber(token, at, 1, 2);
    if (hour < 0 || at >= token.size() || token.at(at++) != u':')
        return false;
    minute = leadingNumber(token, at, 1, 2);
    if (minute < 0 || at >= token.size() || token.at(at++) != u':')
        return false;
    second = leadingNumber(token, at, 1, 2);
    return second >= 0 && (at == token.size() || !isDigit(token.at(at)));
}

// A number of min..max digits at the start of the token, followed by no further digit.
int readNumber(const QString &token, int minDigits, int maxDigits)
{
    qsizetype at = 0;
    const int value = leadingNumber(token, at, minDigits, maxDigits);
    return value >= 0 && (at == token.size() || !isDigit(token.at(at))) ? value : -1;
}

int readMonth(const QString &token)
{
    static const QStringList months = {u"jan"_qs, u"feb"_qs, u"mar"_qs, u"apr"_qs,
                                       u"may"_qs, u"jun"_qs, u"jul"_qs, u"aug"_qs,
                                       u"sep"_qs, u"oct"_qs, u"nov"_qs, u"dec"_qs};
    if (token.size() < 3)
        return -1;
    const qsizetype index = months.indexOf(token.left(3).toLower());
    return index < 0 ? -1 : int(index) + 1;
}

} // namespace

QDateTime parse(const QString &text)
{
    int hour = -1, minute = -1, second = -1, day = -1, month = -1, year = -1;
    bool haveTime = false;
    for (const QString &token : tokens(text)) {
        int h, m, s;
        if (!haveTime && readTime(token, h, m, s)) {
            haveTime = true;
            hour = h, minute = m, second = s;
        } else if (day < 0 && readNumber(token, 1, 2) >= 0) {
            day = readNumber(token, 1, 2);
        } else if (month < 0 && readMonth(token) > 0) {
            month = readMonth(token);
        } else if (year < 0 && readNumber(token, 2, 4) >= 0) {
            year = readNumber(token, 2, 4);
        }
    }
    if (year >= 70 && year <= 99)
        year += 1900;
    else if (year >= 0 && year <= 69)
        year += 2000;
    if (!haveTime || day < 1 || day > 31 || month < 0 || year < 1601 || hour > 23 || minute > 59 ||
        second > 59)
        return {};
    const QDate date(year, month, day);
    if (!date.isValid())
        return {};
    return QDateTime(date, QTime(hour, minute, second), QTimeZone::utc());
}

} // namespace CookieDate
