#pragma once

#include <QMouseEvent>
#include <QRect>

// Tells a click (the left button pressed and then released over the widget) from other mouse
// input, for widgets that are not buttons but act on a click.
class LeftClick
{
public:
    void press(QMouseEvent *event)
    {
        m_pressed = event->button() == Qt::LeftButton;
        event->accept();
    }

    // True when this release completes a click inside area.
    bool release(QMouseEvent *event, const QRect &area)
    {
        const bool click = m_pressed && event->button() == Qt::LeftButton &&
                           area.contains(event->position().toPoint());
        m_pressed = false;
        event->accept();
        return click;
    }

private:
    bool m_pressed = false;
};
