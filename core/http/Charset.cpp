#include "http/Charset.h"

#include "http/WireText.h"
#include "net/LargeBuffer.h"

#include <QStringDecoder>
#include <QStringList>

#ifdef Q_OS_WIN
#include "WindowsCodePage.h"
#endif

namespace Charset {

namespace {

bool isUsAscii(const QString &name)
{
    static const QStringList aliases = {
        u"us-ascii"_qs, u"ascii"_qs, u"ansi_x3.4-1968"_qs, u"ansi_x3.4-1986"_qs,
        u"iso-ir-6"_qs, u"us"_qs,    u"iso646-us"_qs,      u"iso_646.irv:1991"_qs,
        u"ibm367"_qs,   u"cp367"_qs, u"csascii"_qs};
    return aliases.contains(name.trimmed(), Qt::CaseInsensitive);
}

// Qt also answers to names of its own that are no charset names on the wire.
bool isQtOnlyName(const QString &name)
{
    const QString trimmed = name.trimmed();
    return trimmed.compare(u"system", Qt::CaseInsensitive) == 0 ||
           trimmed.compare(u"locale", Qt::CaseInsensitive) == 0;
}

// Each byte as the character of the same code (what ISO-8859-1 gives too).
QString decodeSameCode(const QByteArray &bytes)
{
    if (bytes.size() < LargeBuffer::Threshold)
        return QString::fromLatin1(bytes);
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    LargeBuffer::advise(out, text.size() * qsizetype(sizeof(char16_t)));
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = in[i];
    return text;
}

QStringDecoder decoderFor(const QString &name)
{
    if (name.trimmed().isEmpty() || isQtOnlyName(name))
        return QStringDecoder();
    return QStringDecoder(name.trimmed().toLatin1().constData(),
                          QStringConverter::Flag::ConvertInitialBom);
}

// The value of encoding="..." in an XML declaration at the start of the document.
QString declaredEncoding(const QByteArray &document)
{
    if (!document.startsWith("<?xml"))
        return {};
    const qsizetype end = document.indexOf("?>");
    const QByteArray declaration = end < 0 ? document : document.left(end);
    const qsizetype attribute = declaration.indexOf("encoding");
    if (attribute < 0)
        return {};
    qsizetype i = attribute + 8;
    while (i < declaration.size() && (declaration.at(i) == ' ' || declaration.at(i) == '='))
        ++i;
    if (i >= declaration.size() || (declaration.at(i) != '"' && declaration.at(i) != '\''))
        return {};
    const qsizetype close = declaration.indexOf(declaration.at(i), i + 1);
    if (close < 0)
        return {};
    return QString::fromLatin1(declaration.mid(i + 1, close - i - 1));
}

// Windows: the code page that decodes a name Qt does not know (Qt has no ICU there), else 0.
unsigned windowsCodePageFor(const QString &name)
{
#ifdef Q_OS_WIN
    const std::optional<unsigned> number = WindowsCodePage::numberOf(name.toLatin1());
    if (number && WindowsCodePage::isAvailable(*number))
        return *number;
#else
    Q_UNUSED(name);
#endif
    return 0;
}

} // namespace

bool isKnown(const QString &name)
{
    return isUsAscii(name) || decoderFor(name).isValid() || windowsCodePageFor(name) != 0;
}

QString decode(const QByteArray &bytes, const QString &name)
{
    if (isUsAscii(name))
        return WireText::fromWireBytes(bytes);
    QStringDecoder decoder = decoderFor(name);
    if (decoder.isValid())
        return decoder.decode(bytes);
#ifdef Q_OS_WIN
    if (const unsigned codePage = windowsCodePageFor(name))
        return WindowsCodePage::decode(codePage, bytes);
#endif
    return decodeSameCode(bytes);
}

QString xmlDocumentCharset(const QByteArray &document)
{
    if (document.startsWith("\xEF\xBB\xBF"))
        return QStringLiteral("UTF-8");
    if (document.startsWith(QByteArray("\x00\x00\xFE\xFF", 4)))
        return QStringLiteral("UTF-32BE");
    if (document.startsWith(QByteArray("\xFF\xFE\x00\x00", 4)))
        return QStringLiteral("UTF-32LE");
    if (document.startsWith("\xFE\xFF"))
        return QStringLiteral("UTF-16BE");
    if (document.startsWith("\xFF\xFE"))
        return QStringLiteral("UTF-16LE");
    const QString declared = declaredEncoding(document);
    return declared.isEmpty() ? QStringLiteral("UTF-8") : declared;
}

} // namespace Charset
