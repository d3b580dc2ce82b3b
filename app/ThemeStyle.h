#pragma once

#include <QIcon>
#include <QProxyStyle>

// The Fusion style, with Qt's own pictures read as what they are: read through Qt's image reader
// as of an unknown kind, a picture loads every image-format plugin there is to ask each whether
// it is theirs.
class ThemeStyle : public QProxyStyle
{
public:
    explicit ThemeStyle(QStyle *base);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;

private:
    mutable QIcon m_commandLinkArrow;
};
