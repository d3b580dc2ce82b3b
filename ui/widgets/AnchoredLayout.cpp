#include "widgets/AnchoredLayout.h"

#include <QWidget>

#include <algorithm>

void AnchoredLayout::add(QWidget *control, Horizontal horizontal, Vertical vertical)
{
    m_controls.append({control, control->geometry(), horizontal, vertical});
}

void AnchoredLayout::apply(QSize size) const
{
    const int extraWidth = std::max(0, size.width() - m_designSize.width());
    const int extraHeight = std::max(0, size.height() - m_designSize.height());
    for (const Anchored &anchored : m_controls) {
        QRect place = anchored.designed;
        if (anchored.horizontal == Horizontal::MoveWithRight)
            place.translate(extraWidth, 0);
        else if (anchored.horizontal == Horizontal::StretchToRight)
            place.setWidth(place.width() + extraWidth);
        if (anchored.vertical == Vertical::StretchToBottom)
            place.setHeight(place.height() + extraHeight);
        anchored.control->setGeometry(place);
    }
}
