#pragma once

#include "widgets/LeftClick.h"

#include <QLabel>

// A label that looks and acts like a web link: blue, underlined, the hand pointer, and a
// clicked() signal when the left button is pressed and released over it, or on Space or Enter
// while it has the keyboard focus (shown by a focus frame).
class LinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    LeftClick m_click;
};
