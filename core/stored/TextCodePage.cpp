#include "stored/TextCodePage.h"

#include "LumettaError.h"

#include <QStringDecoder>
#include <QStringEncoder>

#ifdef Q_OS_WIN
#include "WindowsCodePage.h"

#include <qt_windows.h>
#else
#include <langinfo.h>
#endif

namespace {

constexpr auto keepBom =
    QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

} // namespace

TextCodePage::TextCodePage(const QByteArray &name)
    : m_name(name), m_known(QStringDecoder(name.constData()).isValid() &&
                            QStringEncoder(name.constData()).isValid())
{
#ifdef Q_OS_WIN
    // Qt without ICU knows few names ("windows-1251" is not one); Windows knows the numbers.
    const std::optional<unsigned> number = WindowsCodePage::numberOf(name);
    if (!m_known && number && WindowsCodePage::isAvailable(*number)) {
        m_known = true;
        m_windowsCodePage = *number;
    }
#endif
}

QString TextCodePage::decode(const QByteArray &bytes) const
{
#ifdef Q_OS_WIN
    if (m_windowsCodePage != 0)
        return WindowsCodePage::decode(m_windowsCodePage, bytes);
#endif
    if (!m_known)
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(m_name.constData(), keepBom);
    return decoder.decode(bytes);
}

QByteArray TextCodePage::encode(const QString &text) const
{
#ifdef Q_OS_WIN
    if (m_windowsCodePage != 0)
        return WindowsCodePage::encode(m_windowsCodePage, text);
#endif
    if (const std::optional<QByteArray> bytes = encodeExactly(text))
        return *bytes;
    return m_known ? encodeEachCharacter(text) : encodeLatin1(text);
}

std::optional<QByteArray> TextCodePage::encodeExactly(const QString &text) const
{
#ifdef Q_OS_WIN
    if (m_windowsCodePage != 0)
        return WindowsCodePage::encodeExactly(m_windowsCodePage, text);
#endif
    QByteArray bytes;
    if (m_known) {
        QStringEncoder encoder(m_name.constData(), keepBom);
        bytes = encoder.encode(text);
        if (encoder.hasError())
            return std::nullopt;
    } else {
        bytes = encodeLatin1(text);
    }
    if (decode(bytes) != text)
        return std::nullopt;
    return bytes;
}

QByteArray TextCodePage::encodeLatin1(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        bytes.append(c.unicode() < 0x100 ? char(c.unicode()) : '?');
    return bytes;
}

// The converters substitute a code page's own control character (0x1A) for what they cannot
// map, so each character is tried alone and replaced by "?" when it does not come back.
QByteArray TextCodePage::encodeEachCharacter(const QString &text) const
{
    QStringEncoder encoder(m_name.constData(), keepBom);
    QStringDecoder decoder(m_name.constData(), keepBom);
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const QString character = text.mid(i, pair ? 2 : 1);
        i += pair ? 1 : 0;
        // The round trip alone decides: the error state of a reused converter sticks.
        const QByteArray encoded = encoder.encode(character);
        const bool kept = QString(decoder.decode(encoded)) == character;
        bytes.append(kept ? encoded : QByteArray("?"));
    }
    return bytes;
}

QByteArray TextCodePage::systemName()
{
#ifdef Q_OS_WIN
    const UINT codePage = GetACP();
    if (codePage == CP_UTF8)
        return QByteArrayLiteral("UTF-8");
    return "windows-" + QByteArray::number(uint(codePage));
#else
    return QByteArray(nl_langinfo(CODESET));
#endif
}

QString TextCodePage::decodeUtf8Strict(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, keepBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw LumettaError(noMappingMessage());
    return text;
}

QString TextCodePage::noMappingMessage()
{
    return QStringLiteral(
        "No mapping for the Unicode character exists in the target multi-byte code page");
}
