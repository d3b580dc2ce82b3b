#include "widgets/LinkLabel.h"

#include "widgets/AccessibleClickables.h"
#include "widgets/KeyClick.h"

#include <QMouseEvent>

namespace {
const QColor linkColour(0, 0, 255);
}

LinkLabel::LinkLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, linkColour);
    setPalette(blue);
    // The theme's style sheet would otherwise repaint the label in the ordinary text colour.
    setStyleSheet(QStringLiteral("color: %1; text-decoration: underline;").arg(linkColour.name()));
    setFocusPolicy(Qt::StrongFocus);
    InstallAccessibleClickables();
}

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    m_click.press(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_click.release(event, rect()))
        Q_EMIT clicked();
}

void LinkLabel::keyPressEvent(QKeyEvent *event)
{
    if (!KeyClick::activates(event))
        return QLabel::keyPressEvent(event);
    event->accept();
    Q_EMIT clicked();
}

void LinkLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    KeyClick::drawFocusFrame(this);
}
