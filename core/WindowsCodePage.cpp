#include "WindowsCodePage.h"

#include <QHash>
#include <QRegularExpression>

#ifdef _WIN32
#include <qt_windows.h>

#include <algorithm>
#include <climits>
#endif

namespace WindowsCodePage {

namespace {

// Names that are not "windows-N", "cpN", "ibmN" or "iso-8859-N".
const QHash<QByteArray, unsigned> &namedCodePages()
{
    static const QHash<QByteArray, unsigned> pages = {
        {"koi8-r", 20866},       {"koi8r", 20866},     {"cskoi8r", 20866},
        {"koi8-u", 21866},       {"koi8-ru", 21866},   {"x-mac-cyrillic", 10007},
        {"maccyrillic", 10007},  {"macintosh", 10000}, {"mac", 10000},
        {"x-cp1250", 1250},      {"x-cp1251", 1251},   {"dos-866", 866},
        {"cp-866", 866},         {"csibm866", 866},    {"shift_jis", 932},
        {"shift-jis", 932},      {"sjis", 932},        {"ms_kanji", 932},
        {"windows-31j", 932},    {"euc-jp", 20932},    {"iso-2022-jp", 50220},
        {"gb2312", 936},         {"gbk", 936},         {"x-gbk", 936},
        {"gb18030", 54936},      {"big5", 950},        {"euc-kr", 949},
        {"ks_c_5601-1987", 949}, {"tis-620", 874},     {"iso-8859-8-i", 28598},
        {"us-ascii", 20127},     {"ascii", 20127},
    };
    return pages;
}

// The ISO 8859 parts Windows has, by part number.
std::optional<unsigned> iso8859(unsigned part)
{
    if (part >= 1 && part <= 9)
        return 28590 + part;
    if (part == 13)
        return 28603;
    if (part == 15)
        return 28605;
    return std::nullopt;
}

} // namespace

std::optional<unsigned> numberOf(const QByteArray &name)
{
    const QByteArray key = name.trimmed().toLower();
    if (const auto found = namedCodePages().constFind(key); found != namedCodePages().cend())
        return *found;
    static const QRegularExpression numbered(QStringLiteral("^(?:windows-|cp|ibm)(\\d{3,5})$"));
    static const QRegularExpression iso(QStringLiteral("^iso[-_]?8859[-_](\\d{1,2})$"));
    const QString text = QString::fromLatin1(key);
    if (const QRegularExpressionMatch match = numbered.match(text); match.hasMatch())
        return match.captured(1).toUInt();
    if (const QRegularExpressionMatch match = iso.match(text); match.hasMatch())
        return iso8859(match.captured(1).toUInt());
    return std::nullopt;
}

#ifdef _WIN32

namespace {

// The conversion functions take int sizes; larger texts go through in pieces.
constexpr qsizetype Piece = qsizetype(1) << 30;

QString decodePiece(unsigned codePage, const char *data, int size)
{
    const int length = MultiByteToWideChar(codePage, 0, data, size, nullptr, 0);
    QString text(length, Qt::Uninitialized);
    if (length > 0)
        MultiByteToWideChar(codePage, 0, data, size, reinterpret_cast<wchar_t *>(text.data()),
                            length);
    return text;
}

// No best-fit substitutes ("é" as "e"): a character the code page lacks becomes the default
// character. Some code pages refuse that flag and convert without it.
QByteArray encodePiece(unsigned codePage, const wchar_t *data, int size)
{
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int length = WideCharToMultiByte(codePage, flags, data, size, nullptr, 0, nullptr, nullptr);
    if (length == 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        length = WideCharToMultiByte(codePage, flags, data, size, nullptr, 0, nullptr, nullptr);
    }
    QByteArray bytes(length, Qt::Uninitialized);
    if (length > 0)
        WideCharToMultiByte(codePage, flags, data, size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

QByteArray encodeAll(unsigned codePage, const QString &text)
{
    QByteArray bytes;
    const auto *data = reinterpret_cast<const wchar_t *>(text.utf16());
    for (qsizetype done = 0; done < text.size();) {
        qsizetype size = std::min(Piece, text.size() - done);
        // A surrogate pair stays in one piece.
        if (done + size < text.size() && text.at(done + size - 1).isHighSurrogate())
            --size;
        bytes += encodePiece(codePage, data + done, int(size));
        done += size;
    }
    return bytes;
}

} // namespace

bool isAvailable(unsigned codePage)
{
    return IsValidCodePage(codePage) != 0;
}

QString decode(unsigned codePage, const QByteArray &bytes)
{
    QString text;
    for (qsizetype done = 0; done < bytes.size(); done += Piece) {
        const int size = int(std::min(Piece, bytes.size() - done));
        text += decodePiece(codePage, bytes.constData() + done, size);
    }
    return text;
}

std::optional<QByteArray> encodeExactly(unsigned codePage, const QString &text)
{
    QByteArray bytes = encodeAll(codePage, text);
    if (decode(codePage, bytes) != text)
        return std::nullopt;
    return bytes;
}

QByteArray encode(unsigned codePage, const QString &text)
{
    if (std::optional<QByteArray> exact = encodeExactly(codePage, text))
        return *exact;
    // Character by character, a surrogate pair being one character; what does not come back
    // unchanged is replaced.
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const std::optional<QByteArray> character =
            encodeExactly(codePage, text.mid(i, pair ? 2 : 1));
        bytes += character ? *character : QByteArray("?");
        i += pair ? 1 : 0;
    }
    return bytes;
}

#endif

} // namespace WindowsCodePage
