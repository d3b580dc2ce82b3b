#include "widgets/ClickablePicture.h"

#include "widgets/AccessibleClickables.h"
#include "widgets/KeyClick.h"

#include <QMouseEvent>
#include <QPainter>

ClickablePicture::ClickablePicture(const QString &picturePath, QWidget *parent)
    : QWidget(parent), m_picture(picturePath)
{
    setFocusPolicy(Qt::StrongFocus);
    InstallAccessibleClickables();
}

void ClickablePicture::paintEvent(QPaintEvent *)
{
    // A missing picture leaves the area empty rather than failing.
    if (m_picture.isValid()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        m_picture.render(&painter, QRectF(0, 0, PictureSize, PictureSize));
    }
    KeyClick::drawFocusFrame(this);
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

void ClickablePicture::keyPressEvent(QKeyEvent *event)
{
    if (!KeyClick::activates(event))
        return QWidget::keyPressEvent(event);
    event->accept();
    Q_EMIT clicked();
}
