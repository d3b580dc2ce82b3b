#include "widgets/DialogPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

DialogPlacement::DialogPlacement(QWidget *dialog) : QObject(dialog), m_dialog(dialog)
{
    dialog->installEventFilter(this);
}

QPoint DialogPlacement::centredPosition(const QRect &owner, const QSize &frameSize,
                                        const QPoint &desktopTopLeft)
{
    // Integer division truncates towards zero, so a dialog larger than its owner is still
    // offset by whole pixels with the fraction dropped.
    const int left = owner.left() + (owner.width() - frameSize.width()) / 2;
    const int top = owner.top() + (owner.height() - frameSize.height()) / 2;
    return {std::max(left, desktopTopLeft.x()), std::max(top, desktopTopLeft.y())};
}

bool DialogPlacement::eventFilter(QObject *watched, QEvent *event)
{
    // Spontaneous show and hide events come from minimising and restoring, which keep the place.
    if (watched == m_dialog && !event->spontaneous()) {
        if (event->type() == QEvent::Show) {
            placeBeforeShowing();
        } else if (event->type() == QEvent::Hide) {
            m_lastPosition = m_dialog->pos();
            m_awaitingFrame = false;
        }
    }
    if (watched == m_dialog && m_awaitingFrame &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        recentreOnceFramed();
    return QObject::eventFilter(watched, event);
}

void DialogPlacement::placeBeforeShowing()
{
    if (m_placed) {
        m_dialog->move(m_lastPosition);
        return;
    }
    m_placed = true;
    const QWidget *owner = m_dialog->parentWidget() ? m_dialog->parentWidget()->window() : nullptr;
    const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect desktop = screen->availableVirtualGeometry();
    m_ownerFrame = owner ? owner->frameGeometry() : desktop;
    m_desktopTopLeft = desktop.topLeft();
    m_estimatedFrameSize = expectedFrameSize();
    m_awaitingFrame = !hasFrame();
    moveFrameTo(centredPosition(m_ownerFrame, m_estimatedFrameSize, m_desktopTopLeft));
}

bool DialogPlacement::hasFrame() const
{
    return m_dialog->testAttribute(Qt::WA_WState_Created) &&
           m_dialog->frameGeometry() != m_dialog->geometry();
}

void DialogPlacement::moveFrameTo(const QPoint &position)
{
    // A window not yet framed takes a plain move as the place of its client area, which
    // would leave the frame one title bar higher; its platform window can be told that the
    // position is the frame's.
    QWindow *window = m_dialog->windowHandle();
    if (window && !hasFrame()) {
        window->setFramePosition(position);
        return;
    }
    m_dialog->move(position);
}

void DialogPlacement::recentreOnceFramed()
{
    if (!hasFrame())
        return;
    m_awaitingFrame = false;
    // The window manager may frame a dialog unlike its owner (no resize grip, say).
    const QSize frameSize = m_dialog->frameGeometry().size();
    if (frameSize != m_estimatedFrameSize)
        m_dialog->move(centredPosition(m_ownerFrame, frameSize, m_desktopTopLeft));
}

QSize DialogPlacement::expectedFrameSize() const
{
    // Before its first showing the dialog has no frame yet; the owner's frame margins are the
    // best estimate of the one the window manager will give it.
    if (hasFrame())
        return m_dialog->frameGeometry().size();
    const QWidget *owner = m_dialog->parentWidget() ? m_dialog->parentWidget()->window() : nullptr;
    const QSize margins =
        owner ? owner->frameGeometry().size() - owner->geometry().size() : QSize(0, 0);
    return m_dialog->size() + margins;
}
