#pragma once

#include <QObject>

class QComboBox;

// Clears a drop-down's hover look when its list closes with the pointer elsewhere. The list
// holds the pointer while it is open, so the drop-down is never told that the pointer left
// it, and its arrow would keep the theme's hover colour until the pointer came back.
class DropDownHoverReset : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    static void resetIfPointerAway(QComboBox *dropDown);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
