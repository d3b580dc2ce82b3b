#include "widgets/BlockedPainter.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

void BlockedPainter::paintChanges()
{
    // A widget's update() posts this request to its window; only these are taken from the queue.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

void BlockedPainter::keepPainted()
{
    paintChanges();
#ifdef Q_OS_WIN
    // Windows asks for paints with messages of their own, handled at once and alone; taking
    // them also tells the system that the program still responds.
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
        DispatchMessageW(&message);
#endif
    if (m_sinceFullRepaint.isValid() && m_sinceFullRepaint.elapsed() < FullRepaintMs)
        return;
    m_sinceFullRepaint.start();
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->isMinimized())
            continue;
        // A window's own update leaves out the opaque controls on it: each is marked.
        window->update();
        for (QWidget *control : window->findChildren<QWidget *>()) {
            if (control->isVisible())
                control->update();
        }
    }
    paintChanges();
}
