#include "SvgRaster.h"

#include <QPainter>
#include <QSvgRenderer>

#include <stdexcept>

QImage RenderSvg(const QString &svgPath, int size)
{
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid())
        throw std::runtime_error("cannot read the picture " + svgPath.toStdString());
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    // Icon files store straight (not premultiplied) alpha.
    return image.convertToFormat(QImage::Format_ARGB32);
}
