#include "http/HtmlMeta.h"

#include <QHash>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Attributes of one tag, names in lower case; `i` starts after the tag name and ends past
// the closing ">".
QHash<QByteArray, QByteArray> readAttributes(const QByteArray &text, qsizetype &i)
{
    QHash<QByteArray, QByteArray> attributes;
    const qsizetype size = text.size();
    while (i < size) {
        while (i < size && (isSpace(text.at(i)) || text.at(i) == '/'))
            ++i;
        if (i >= size || text.at(i) == '>') {
            ++i;
            break;
        }
        const qsizetype nameStart = i;
        while (i < size && !isSpace(text.at(i)) && text.at(i) != '=' && text.at(i) != '>' &&
               text.at(i) != '/')
            ++i;
        const QByteArray name = text.mid(nameStart, i - nameStart).toLower();
        while (i < size && isSpace(text.at(i)))
            ++i;
        QByteArray value;
        if (i < size && text.at(i) == '=') {
            ++i;
            while (i < size && isSpace(text.at(i)))
                ++i;
            if (i < size && (text.at(i) == '"' || text.at(i) == '\'')) {
                const char quote = text.at(i++);
                const qsizetype close = text.indexOf(quote, i);
                const qsizetype end = close < 0 ? size : close;
                value = text.mid(i, end - i);
                i = end + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < size && !isSpace(text.at(i)) && text.at(i) != '>')
                    ++i;
                value = text.mid(valueStart, i - valueStart);
            }
        }
        if (!name.isEmpty() && !attributes.contains(name))
            attributes.insert(name, value);
    }
    return attributes;
}

} // namespace

HtmlMeta HtmlMeta::scan(const QByteArray &document)
{
    HtmlMeta meta;
    const QByteArray lower = document.toLower();
    const qsizetype headEnd = lower.indexOf("</head");
    const QByteArray head = headEnd < 0 ? document : document.left(headEnd);
    const QByteArray lowerHead = headEnd < 0 ? lower : lower.left(headEnd);
    qsizetype from = 0;
    for (;;) {
        const qsizetype tag = lowerHead.indexOf("<meta", from);
        if (tag < 0)
            break;
        qsizetype i = tag + 5;
        if (i < head.size() && !isSpace(head.at(i)) && head.at(i) != '/' && head.at(i) != '>') {
            from = i;
            continue;
        }
        const QHash<QByteArray, QByteArray> attributes = readAttributes(head, i);
        from = i;
        const QString content = QString::fromLatin1(attributes.value("content")).trimmed();
        const QString equiv = QString::fromLatin1(attributes.value("http-equiv")).trimmed();
        if (!equiv.isEmpty() && attributes.contains("content"))
            meta.httpEquiv.append({equiv, content});
        if (attributes.contains("charset"))
            meta.charset = QString::fromLatin1(attributes.value("charset")).trimmed();
    }
    return meta;
}
