#include "widgets/ClickablePicture.h"

#include <QMouseEvent>
#include <QPainter>

ClickablePicture::ClickablePicture(const QString &picturePath, QWidget *parent)
    : QWidget(parent), m_picture(picturePath)
{
    setFocusPolicy(Qt::NoFocus);
}

void ClickablePicture::paintEvent(QPaintEvent *)
{
    // A missing picture leaves the area empty rather than failing.
    if (!m_picture.isValid())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_picture.render(&painter, QRectF(0, 0, PictureSize, PictureSize));
}

void ClickablePicture::mousePressEvent(QMouseEvent *event)
{
    m_click.press(event);
}

void ClickablePicture::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_click.release(event, rect()))
        Q_EMIT clicked();
}
