#pragma once

#include <QList>
#include <QRect>
#include <QSize>

class QWidget;

// Keeps controls placed in design coordinates as their window grows past its designed size:
// horizontally each control keeps its place, moves with the right edge or stretches with it;
// vertically it keeps its place or stretches with the bottom edge.
class AnchoredLayout
{
public:
    enum class Horizontal { Keep, MoveWithRight, StretchToRight };
    enum class Vertical { Keep, StretchToBottom };

    explicit AnchoredLayout(QSize designSize) : m_designSize(designSize) {}

    // Takes the control's present geometry as its designed one.
    void add(QWidget *control, Horizontal horizontal, Vertical vertical = Vertical::Keep);
    // Places every control for a window of this size (never less than the designed one).
    void apply(QSize size) const;

private:
    struct Anchored
    {
        QWidget *control;
        QRect designed;
        Horizontal horizontal;
        Vertical vertical;
    };
    QSize m_designSize;
    QList<Anchored> m_controls;
};
