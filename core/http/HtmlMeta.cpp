#include "http/HtmlMeta.h"

#include <QByteArrayView>

#include <cstring>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// ASCII comparison without regard to case, against a name given in lower case. Inline and
// without a library call: it runs for every attribute of every element.
bool isNamed(QByteArrayView text, QByteArrayView lowerName)
{
    if (text.size() != lowerName.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if ((c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c) != lowerName.at(i))
            return false;
    }
    return true;
}

// The attributes of a meta element that matter here; null views for those it lacks.
struct MetaAttributes
{
    QByteArrayView httpEquiv;
    QByteArrayView content;
    QByteArrayView charset;

    // The first of several attributes of one name counts, as in a browser.
    void note(QByteArrayView name, QByteArrayView value)
    {
        // A present but empty value must not look absent.
        if (value.isNull())
            value = QByteArrayView("", 0);
        QByteArrayView *slot = isNamed(name, "http-equiv") ? &httpEquiv
                               : isNamed(name, "content")  ? &content
                               : isNamed(name, "charset")  ? &charset
                                                           : nullptr;
        if (slot != nullptr && slot->isNull())
            *slot = value;
    }
};

// Reads the attributes of one tag; `i` starts after the tag name and ends past the ">".
// Only views into the text are kept, so a document of many meta elements costs no copies.
MetaAttributes readAttributes(QByteArrayView text, qsizetype &i)
{
    MetaAttributes attributes;
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
        const QByteArrayView name = text.sliced(nameStart, i - nameStart);
        while (i < size && isSpace(text.at(i)))
            ++i;
        QByteArrayView value;
        if (i < size && text.at(i) == '=') {
            ++i;
            while (i < size && isSpace(text.at(i)))
                ++i;
            if (i < size && (text.at(i) == '"' || text.at(i) == '\'')) {
                const char quote = text.at(i++);
                const qsizetype close = text.indexOf(quote, i);
                const qsizetype end = close < 0 ? size : close;
                value = text.sliced(i, end - i);
                i = end + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < size && !isSpace(text.at(i)) && text.at(i) != '>')
                    ++i;
                value = text.sliced(valueStart, i - valueStart);
            }
        }
        attributes.note(name, value);
    }
    return attributes;
}

// The offset of the first "<" + name (any case) at or after from; -1 when there is none.
qsizetype indexOfTag(QByteArrayView text, QByteArrayView name, qsizetype from)
{
    const qsizetype last = text.size() - name.size() - 1;
    while (from <= last) {
        const void *found = std::memchr(text.data() + from, '<', size_t(text.size() - from));
        if (found == nullptr)
            return -1;
        const qsizetype at = static_cast<const char *>(found) - text.data();
        if (at > last)
            return -1;
        if (isNamed(text.sliced(at + 1, name.size()), name))
            return at;
        from = at + 1;
    }
    return -1;
}

QString trimmedLatin1(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.trimmed());
}

} // namespace

HtmlMeta HtmlMeta::scan(const QByteArray &document)
{
    HtmlMeta meta;
    const QByteArrayView all(document);
    const qsizetype headEnd = indexOfTag(all, "/head", 0);
    const QByteArrayView head = headEnd < 0 ? all : all.first(headEnd);
    QByteArrayView contentType;
    QByteArrayView charset;
    for (qsizetype tag = indexOfTag(head, "meta", 0); tag >= 0;
         tag = indexOfTag(head, "meta", tag + 1)) {
        qsizetype i = tag + 5;
        if (i < head.size() && !isSpace(head.at(i)) && head.at(i) != '/' && head.at(i) != '>')
            continue;
        const MetaAttributes attributes = readAttributes(head, i);
        if (isNamed(attributes.httpEquiv.trimmed(), "content-type") && !attributes.content.isNull())
            contentType = attributes.content;
        if (!attributes.charset.isNull())
            charset = attributes.charset;
        tag = i - 1;
    }
    if (!contentType.isNull())
        meta.contentType = trimmedLatin1(contentType);
    if (!charset.isNull())
        meta.charset = trimmedLatin1(charset);
    return meta;
}
