#include "ClickablePicture.h"

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
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickablePicture::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        Q_EMIT clicked();
}
