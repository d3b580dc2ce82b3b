#pragma once

#include <QPushButton>
#include <QSvgRenderer>

// A push button without a caption that shows one 32 x 32 image in its middle, the same image
// while pressed. The image is vector art, so it stays crisp at every display density.
class ImageButton : public QPushButton
{
    Q_OBJECT

public:
    static constexpr int ImageSize = 32;

    explicit ImageButton(const QString &imagePath, QWidget *parent = nullptr);

    bool hasImage() const { return m_image.isValid(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSvgRenderer m_image;
};
