#include "stored/TrackingIdFile.h"

#include "LumettaError.h"
#include "stored/Utf16Text.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QByteArray utf8Mark("\xEF\xBB\xBF");

QString cannotCreate(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason);
}

QString streamWriteError()
{
    return QStringLiteral("Stream write error");
}

// A directory at the path is no file: loading skips it and saving fails to create the file.
bool fileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

qsizetype markSize(ListEncoding encoding)
{
    switch (encoding) {
    case ListEncoding::Utf8:
        return utf8Mark.size();
    case ListEncoding::Utf16LE:
    case ListEncoding::Utf16BE:
        return 2;
    case ListEncoding::AnsiCodePage:
        break;
    }
    return 0;
}

ListEncoding detectEncoding(const QByteArray &bytes)
{
    if (bytes.startsWith(utf8Mark))
        return ListEncoding::Utf8;
    if (const auto order = Utf16Text::byteOrderOf(bytes))
        return *order == QSysInfo::LittleEndian ? ListEncoding::Utf16LE : ListEncoding::Utf16BE;
    return ListEncoding::AnsiCodePage;
}

} // namespace

void TrackingIdFile::load(const QString &path, TrackingIdList &list, const QByteArray &codePage)
{
    list.items.clear();
    list.encoding = ListEncoding::AnsiCodePage;
    if (!fileExists(path))
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw LumettaError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw LumettaError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    decode(bytes, list, TextCodePage(codePage));
}

void TrackingIdFile::decode(const QByteArray &bytes, TrackingIdList &list,
                            const TextCodePage &codePage)
{
    list.items.clear();
    list.encoding = detectEncoding(bytes);
    const QByteArray body = bytes.mid(markSize(list.encoding));
    list.items = splitLines(decodeText(body, list.encoding, codePage));
}

QString TrackingIdFile::decodeText(const QByteArray &bytes, ListEncoding encoding,
                                   const TextCodePage &codePage)
{
    switch (encoding) {
    case ListEncoding::Utf8:
        return TextCodePage::decodeUtf8Strict(bytes);
    case ListEncoding::Utf16LE:
    case ListEncoding::Utf16BE:
        // A mark and one byte is no character at all; a longer odd tail is dropped.
        if (bytes.size() == 1)
            throw LumettaError(TextCodePage::noMappingMessage());
        return Utf16Text::decode(bytes, encoding == ListEncoding::Utf16LE ? QSysInfo::LittleEndian
                                                                          : QSysInfo::BigEndian);
    case ListEncoding::AnsiCodePage:
        break;
    }
    return codePage.decode(bytes);
}

QStringList TrackingIdFile::splitLines(const QString &text)
{
    // The text ends at its first NUL.
    const QString content = text.left(text.indexOf(QChar(u'\0')));
    QStringList lines;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = start;
        while (end < content.size() && content.at(end) != u'\r' && content.at(end) != u'\n')
            ++end;
        lines.append(content.mid(start, end - start));
        const bool pair = content.mid(end, 2) == QLatin1String("\r\n");
        start = end + (pair ? 2 : 1);
    }
    return lines;
}

QByteArray TrackingIdFile::encode(const TrackingIdList &list, const TextCodePage &codePage)
{
    QString text;
    for (const QString &item : list.items)
        text += item + QLatin1String("\r\n");
    const bool mark = list.writeByteOrderMark;
    switch (list.encoding) {
    case ListEncoding::Utf8:
        return (mark ? utf8Mark : QByteArray()) + text.toUtf8();
    case ListEncoding::Utf16LE:
    case ListEncoding::Utf16BE: {
        const QByteArray bytes = Utf16Text::encodeWithMark(
            text,
            list.encoding == ListEncoding::Utf16LE ? QSysInfo::LittleEndian : QSysInfo::BigEndian);
        return mark ? bytes : bytes.mid(2);
    }
    case ListEncoding::AnsiCodePage:
        break;
    }
    return codePage.encode(text);
}

void TrackingIdFile::save(const QString &path, TrackingIdList &list, const QStringList &items,
                          const QByteArray &codePage)
{
    createIfMissing(path);
    list.items = items;
    replaceFile(path, encode(list, TextCodePage(codePage)));
}

void TrackingIdFile::createIfMissing(const QString &path)
{
    if (fileExists(path))
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw LumettaError(cannotCreate(path, file.errorString()));
}

void TrackingIdFile::replaceFile(const QString &path, const QByteArray &bytes)
{
    // The new content goes to a temporary file beside the list and takes its place only when
    // complete, so a failed write leaves the former list whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw LumettaError(cannotCreate(path, file.errorString()));
    if (file.write(bytes) != bytes.size())
        throw LumettaError(streamWriteError());
    if (!file.commit()) {
        if (file.error() == QFileDevice::WriteError)
            throw LumettaError(streamWriteError());
        throw LumettaError(cannotCreate(path, file.errorString()));
    }
}
