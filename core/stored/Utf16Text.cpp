#include "stored/Utf16Text.h"

#include <QtEndian>

namespace Utf16Text {

std::optional<QSysInfo::Endian> byteOrderOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QSysInfo::LittleEndian;
    if (bytes.startsWith("\xFE\xFF"))
        return QSysInfo::BigEndian;
    return std::nullopt;
}

QString decode(const QByteArray &bytes, QSysInfo::Endian order)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    const uchar *data = reinterpret_cast<const uchar *>(bytes.constData());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const uchar *unit = data + 2 * i;
        text[i] = QChar(order == QSysInfo::LittleEndian ? qFromLittleEndian<quint16>(unit)
                                                        : qFromBigEndian<quint16>(unit));
    }
    return text;
}

QByteArray encodeWithMark(const QString &text, QSysInfo::Endian order)
{
    QByteArray bytes(2 + 2 * text.size(), Qt::Uninitialized);
    uchar *data = reinterpret_cast<uchar *>(bytes.data());
    const quint16 mark = 0xFEFF;
    for (qsizetype i = -1; i < text.size(); ++i) {
        const quint16 unit = i < 0 ? mark : text.at(i).unicode();
        uchar *at = data + 2 * (i + 1);
        if (order == QSysInfo::LittleEndian)
            qToLittleEndian(unit, at);
        else
            qToBigEndian(unit, at);
    }
    return bytes;
}

} // namespace Utf16Text
