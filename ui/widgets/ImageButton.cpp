#include "widgets/ImageButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

ImageButton::ImageButton(const QString &imagePath, QWidget *parent)
    : QPushButton(parent), m_image(imagePath)
{}

void ImageButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The frame comes from the style; the image is drawn here so that it is never scaled to an
    // icon size the style picks.
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButton, option);
    if (!m_image.isValid())
        return;
    QRectF imageRect(0, 0, ImageSize, ImageSize);
    imageRect.moveCenter(QRectF(rect()).center());
    painter.setRenderHint(QPainter::Antialiasing);
    m_image.render(&painter, imageRect);
}
