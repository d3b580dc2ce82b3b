#include "IcoWriter.h"

#include <QBuffer>
#include <QDataStream>

#include <stdexcept>

namespace {

constexpr int DirectoryHeaderSize = 6;
constexpr int DirectoryEntrySize = 16;
constexpr int BitmapHeaderSize = 40;
constexpr int LargestBitmapSide = 255;

// One row of the 1-bit transparency mask, padded to a multiple of 32 bits. A set bit marks a
// fully transparent pixel for readers that ignore the alpha channel.
QByteArray maskRow(const QImage &image, int y)
{
    const int rowBytes = ((image.width() + 31) / 32) * 4;
    QByteArray row(rowBytes, '\0');
    const auto *pixels = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
        if (qAlpha(pixels[x]) == 0)
            row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    }
    return row;
}

} // namespace

void IcoWriter::addImage(const QImage &image)
{
    if (image.isNull() || image.width() != image.height() || image.width() > 256)
        throw std::invalid_argument("an icon image must be square and at most 256 pixels");
    m_images.append(image.convertToFormat(QImage::Format_ARGB32));
}

QByteArray IcoWriter::bitmapEntry(const QImage &image)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    const int side = image.width();
    const quint32 maskSize = static_cast<quint32>(((side + 31) / 32) * 4 * side);
    out << quint32(BitmapHeaderSize) << qint32(side) << qint32(side * 2) // colour + mask rows
        << quint16(1) << quint16(32) << quint32(0)                       // planes, bits, BI_RGB
        << quint32(side * side * 4 + maskSize) << qint32(0) << qint32(0) << quint32(0)
        << quint32(0);
    for (int y = side - 1; y >= 0; --y) { // bitmaps are stored bottom-up
        const auto *pixels = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < side; ++x)
            out << quint8(qBlue(pixels[x])) << quint8(qGreen(pixels[x])) << quint8(qRed(pixels[x]))
                << quint8(qAlpha(pixels[x]));
    }
    for (int y = side - 1; y >= 0; --y)
        bytes.append(maskRow(image, y));
    return bytes;
}

QByteArray IcoWriter::pngEntry(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw std::runtime_error("cannot encode an icon image as PNG");
    return bytes;
}

QByteArray IcoWriter::toBytes() const
{
    QList<QByteArray> entries;
    for (const QImage &image : m_images)
        entries.append(image.width() > LargestBitmapSide ? pngEntry(image) : bitmapEntry(image));

    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(m_images.size()); // reserved, type icon, count
    quint32 offset = DirectoryHeaderSize + DirectoryEntrySize * m_images.size();
    for (int i = 0; i < m_images.size(); ++i) {
        const int side = m_images[i].width();
        const quint8 sideByte = side > LargestBitmapSide ? 0 : quint8(side); // 0 means 256
        out << sideByte << sideByte << quint8(0) << quint8(0) << quint16(1) << quint16(32)
            << quint32(entries[i].size()) << offset;
        offset += entries[i].size();
    }
    for (const QByteArray &entry : entries)
        bytes.append(entry);
    return bytes;
}
