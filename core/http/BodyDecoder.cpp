#include "http/BodyDecoder.h"

#include "http/Charset.h"
#include "http/HtmlMeta.h"

namespace BodyDecoder {

namespace {

bool isHtml(const QString &mediaType)
{
    return mediaType == u"text/html" || mediaType == u"text/html-sandboxed" ||
           mediaType == u"application/xhtml+xml";
}

QString typeOf(const QString &mediaType)
{
    return mediaType.section(u'/', 0, 0);
}

QString subtypeOf(const QString &mediaType)
{
    return mediaType.section(u'/', 1);
}

// XML types whose document names its own charset.
bool isDocumentXml(const QString &mediaType)
{
    return mediaType == u"application/xml" ||
           mediaType == u"application/xml-external-parsed-entity" ||
           mediaType == u"application/xml-dtd" ||
           (typeOf(mediaType) != u"text" && subtypeOf(mediaType).endsWith(u"+xml"));
}

bool isTextXml(const QString &mediaType)
{
    const QString subtype = subtypeOf(mediaType);
    return typeOf(mediaType) == u"text" &&
           (subtype == u"xml" || subtype == u"xml-external-parsed-entity" ||
            subtype.endsWith(u"+xml"));
}

QString charsetByTable(const HttpAnswer &answer)
{
    const QString mediaType = answer.mediaType();
    if (isDocumentXml(mediaType))
        return Charset::xmlDocumentCharset(answer.body);
    const QString parameter = answer.contentTypeParameter(QStringLiteral("charset")).trimmed();
    if (!parameter.isEmpty())
        return parameter;
    if (isTextXml(mediaType))
        return QStringLiteral("us-ascii");
    if (typeOf(mediaType) == u"text")
        return QStringLiteral("ISO-8859-1");
    return {};
}

} // namespace

QString charsetFor(const HttpAnswer &answer)
{
    if (!isHtml(answer.mediaType()))
        return charsetByTable(answer);
    // The document's meta elements stand in for headers of the same name, and a charset
    // it declares wins over the one in the header. Of the headers merged that way only
    // Content-Type decides the charset.
    const HtmlMeta meta = HtmlMeta::scan(answer.body);
    if (!meta.charset.isEmpty())
        return meta.charset;
    if (meta.contentType.isNull())
        return charsetByTable(answer);
    HttpAnswer merged = answer;
    merged.setHeader(QStringLiteral("Content-Type"), meta.contentType);
    return charsetByTable(merged);
}

QString decode(const HttpAnswer &answer)
{
    return Charset::decode(answer.body, charsetFor(answer));
}

} // namespace BodyDecoder
