#include "widgets/FirstInputWatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <utility>

FirstInputWatcher::FirstInputWatcher(std::function<void()> onFirstInput, QObject *parent)
    : QObject(parent), m_onFirstInput(std::move(onFirstInput))
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool FirstInputWatcher::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::DragEnter:
        if (m_onFirstInput) {
            QCoreApplication::instance()->removeEventFilter(this);
            // After the input has been handled, so that it never waits for this.
            QTimer::singleShot(0, this, std::exchange(m_onFirstInput, {}));
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
