#pragma once

#include "stored/TextCodePage.h"
#include "stored/UnParam.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The file of the tracking-ID list: an optional byte-order mark, then one ID a line.
class TrackingIdFile
{
public:
    // Fills list from the file at path; no file leaves it empty, remembering the code page.
    static void load(const QString &path, TrackingIdList &list, const QByteArray &codePage);
    // Makes items the items of list and replaces the file at path atomically.
    static void save(const QString &path, TrackingIdList &list, const QStringList &items,
                     const QByteArray &codePage);

    // The bytes of a whole file: detects and remembers the encoding in list, then fills its
    // items; raises the decoding failure on bytes the detected encoding cannot read.
    static void decode(const QByteArray &bytes, TrackingIdList &list, const TextCodePage &codePage);
    // The bytes of a whole file for list: its mark, then every item followed by CR LF.
    static QByteArray encode(const TrackingIdList &list, const TextCodePage &codePage);

private:
    static QString decodeText(const QByteArray &bytes, ListEncoding encoding,
                              const TextCodePage &codePage);
    static QStringList splitLines(const QString &text);
    static void createIfMissing(const QString &path);
    static void replaceFile(const QString &path, const QByteArray &bytes);
};
