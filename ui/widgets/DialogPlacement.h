#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Where a dialog appears: the first time it is shown, centred over its owner window's outer
// frame and pushed right or down so that it does not start above or left of the desktop's
// top-left corner; on later showings, where it was when it was last hidden (also after the
// user moved it). Install one on a dialog whose parent is the owner window.
class DialogPlacement : public QObject
{
    Q_OBJECT

public:
    explicit DialogPlacement(QWidget *dialog);

    // The top-left of a frame of frameSize centred over owner, each half difference in whole
    // pixels (the fraction dropped), moved so that it is not above or left of desktopTopLeft.
    static QPoint centredPosition(const QRect &owner, const QSize &frameSize,
                                  const QPoint &desktopTopLeft);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeBeforeShowing();
    bool hasFrame() const;
    void moveFrameTo(const QPoint &position);
    // Centres again by the frame the window manager actually gave, when it differs from the
    // estimate.
    void recentreOnceFramed();
    QSize expectedFrameSize() const;

    QWidget *m_dialog;
    bool m_placed = false;
    QPoint m_lastPosition;
    QRect m_ownerFrame;
    QPoint m_desktopTopLeft;
    QSize m_estimatedFrameSize;
    bool m_awaitingFrame = false;
};
