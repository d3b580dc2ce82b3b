#include "links/RedirectPage.h"

#include <QRegularExpression>
#include <QUrl>

namespace RedirectPage {
namespace {

constexpr auto NoCase = QRegularExpression::CaseInsensitiveOption;
// Addresses longer than a usable link are no target, and the bound keeps the scans short.
constexpr int MaxAddress = 2048;

QString htmlUnescaped(QString text)
{
    static const QRegularExpression numeric(QStringLiteral("&#(x[0-9a-f]{1,6}|[0-9]{1,7});"),
                                            NoCase);
    QString result;
    qsizetype done = 0;
    for (auto it = numeric.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString digits = match.captured(1);
        bool ok = false;
        const uint code = digits.startsWith(u'x', Qt::CaseInsensitive)
                              ? digits.mid(1).toUInt(&ok, 16)
                              : digits.toUInt(&ok, 10);
        result += text.mid(done, match.capturedStart() - done);
        const char32_t character = code;
        if (ok && code > 0 && code <= 0x10FFFF && QChar::isPrint(character))
            result += QString::fromUcs4(&character, 1);
        done = match.capturedEnd();
    }
    text = result + text.mid(done);
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

QString scriptUnescaped(const QString &text)
{
    static const QRegularExpression escape(
        QStringLiteral("\\\\(?:u([0-9a-fA-F]{4})|x([0-9a-fA-F]{2})|(.))"));
    QString result;
    qsizetype done = 0;
    for (auto it = escape.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result += text.mid(done, match.capturedStart() - done);
        if (match.hasCaptured(3))
            result += match.captured(3);
        else
            result +=
                QChar(char16_t(match.captured(match.hasCaptured(1) ? 1 : 2).toUShort(nullptr, 16)));
        done = match.capturedEnd();
    }
    return result + text.mid(done);
}

QString dlTarget(const QString &html)
{
    static const QRegularExpression parameter(
        QStringLiteral("dl_target_url=([^&\"'<>\\s\\\\]{1,%1})").arg(MaxAddress));
    const QRegularExpressionMatch match = parameter.match(html);
    return match.hasMatch() ? QUrl::fromPercentEncoding(match.captured(1).toUtf8()) : QString();
}

// The address in the content of <meta http-equiv="refresh" content="0; url=…">, the first such
// element counting. A plain scan from tag to tag: regular expressions over a hostile page
// full of unclosed tags would take quadratic time.
QString refreshTarget(const QString &html)
{
    static const QRegularExpression refresh(
        QStringLiteral("http-equiv\\s*=\\s*[\"']?\\s*refresh\\b"), NoCase);
    static const QRegularExpression content(
        QStringLiteral("\\bcontent\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"), NoCase);
    static const QRegularExpression url(
        QStringLiteral("^[^;]*;\\s*(?:url\\s*=\\s*)?['\"]?([^'\"]+)"), NoCase);
    for (qsizetype at = html.indexOf(u"<meta", 0, Qt::CaseInsensitive); at >= 0;
         at = html.indexOf(u"<meta", at + 5, Qt::CaseInsensitive)) {
        const qsizetype end = html.indexOf(u'>', at);
        if (end < 0)
            return QString();
        const QString tag = html.mid(at, end - at);
        if (!refresh.match(tag).hasMatch())
            continue;
        const QRegularExpressionMatch value = content.match(tag);
        const QString text = value.captured(1) + value.captured(2) + value.captured(3);
        const QRegularExpressionMatch target = url.match(htmlUnescaped(text));
        if (target.hasMatch())
            return target.captured(1).trimmed();
    }
    return QString();
}

// window.location.href = "…", location = '…', location.replace("…") and the like. Quotes in
// the address are left to the other readers: a class repeated, unlike a group, keeps the
// expression small.
QString scriptTarget(const QString &html)
{
    static const QRegularExpression assignment(
        QStringLiteral("\\blocation(?:\\.href)?\\s*=\\s*(?:\"([^\"\\n]{1,%1})\"|'([^'\\n]{1,%1})')|"
                       "\\blocation\\.(?:replace|assign)\\(\\s*(?:\"([^\"\\n]{1,%1})\"|"
                       "'([^'\\n]{1,%1})')")
            .arg(MaxAddress));
    const QRegularExpressionMatch match = assignment.match(html);
    return match.hasMatch() ? scriptUnescaped(match.captured(match.lastCapturedIndex()))
                            : QString();
}

} // namespace

QString targetOf(const QString &html)
{
    for (const auto &reader : {dlTarget, refreshTarget, scriptTarget}) {
        const QString target = reader(html);
        if (!target.isEmpty())
            return target;
    }
    return QString();
}

} // namespace RedirectPage
