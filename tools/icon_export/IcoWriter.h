#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// Builds a Windows icon file: each image up to 255 pixels is stored as a 32-bit bitmap with
// alpha (what every version of Windows reads), a larger one as PNG (what Windows Vista and
// later expect for 256 pixels).
class IcoWriter
{
public:
    void addImage(const QImage &image);
    QByteArray toBytes() const;

private:
    static QByteArray bitmapEntry(const QImage &image);
    static QByteArray pngEntry(const QImage &image);

    QList<QImage> m_images;
};
