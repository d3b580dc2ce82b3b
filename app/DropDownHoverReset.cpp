#include "DropDownHoverReset.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QHoverEvent>
#include <QPointer>
#include <QTimer>

void DropDownHoverReset::resetIfPointerAway(QComboBox *dropDown)
{
    const QPoint global = QCursor::pos();
    const QPoint local = dropDown->mapFromGlobal(global);
    if (dropDown->rect().contains(local))
        return;
    QHoverEvent leave(QEvent::HoverLeave, local, global, local);
    QCoreApplication::sendEvent(dropDown, &leave);
    dropDown->update();
}

bool DropDownHoverReset::eventFilter(QObject *watched, QEvent *event)
{
    // The open list is a window of its own whose parent is the drop-down.
    if (event->type() == QEvent::Hide && watched->isWidgetType()) {
        const auto *list = static_cast<QWidget *>(watched);
        QPointer<QComboBox> dropDown = qobject_cast<QComboBox *>(list->parentWidget());
        if (dropDown && list->isWindow()) {
            QTimer::singleShot(0, dropDown, [dropDown] {
                if (dropDown)
                    resetIfPointerAway(dropDown);
            });
        }
    }
    return QObject::eventFilter(watched, event);
}
