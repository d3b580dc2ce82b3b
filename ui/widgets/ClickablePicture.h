#pragma once

#include "widgets/LeftClick.h"

#include <QSvgRenderer>
#include <QWidget>

// A picture that acts as a button: it draws its 32 x 32 picture at its top-left corner, unscaled
// and without a border, and emits clicked() when the left button is pressed and released over
// it, or on Space or Enter while it has the keyboard focus (shown by a focus frame).
class ClickablePicture : public QWidget
{
    Q_OBJECT

public:
    static constexpr int PictureSize = 32;

    explicit ClickablePicture(const QString &picturePath, QWidget *parent = nullptr);

    bool hasPicture() const { return m_picture.isValid(); }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QSvgRenderer m_picture;
    LeftClick m_click;
};
