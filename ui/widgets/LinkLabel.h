#pragma once

#include "widgets/LeftClick.h"

#include <QLabel>

// A label that looks and acts like a web link: blue, underlined, the hand pointer, and a
// clicked() signal when the left button is pressed and released over it.
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

private:
    LeftClick m_click;
};
