#pragma once

#include <QLabel>
#include <QString>

// Controls stand where the window's design puts them, in pixels, and carry the design's name
// (tests and style rules find them by it).
template <typename Control>
Control *place(Control *control, const char *name, int left, int top, int width, int height)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(left, top, width, height);
    return control;
}

// A caption at its place, as wide and high as its text (the design's auto-sized labels).
inline QLabel *label(QWidget *parent, const char *name, const QString &text, int left, int top,
                     int width, int height)
{
    auto *result = place(new QLabel(text, parent), name, left, top, width, height);
    result->adjustSize();
    return result;
}
