#pragma once

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QWidget>

// Space and Enter act on a focused widget that is not a button but acts on a click, as they do
// on a button; and the widget shows that it has the focus with the style's focus frame.
namespace KeyClick {

inline bool activates(const QKeyEvent *event)
{
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    return modifiers == Qt::NoModifier &&
           (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter);
}

inline void drawFocusFrame(QWidget *widget)
{
    if (!widget->hasFocus())
        return;
    QPainter painter(widget);
    QStyleOptionFocusRect frame;
    frame.initFrom(widget);
    frame.rect = widget->rect();
    widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, widget);
}

} // namespace KeyClick
