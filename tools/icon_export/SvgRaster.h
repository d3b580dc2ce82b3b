#pragma once

#include <QImage>
#include <QString>

// Draws an SVG file into a square image with transparency. Throws std::runtime_error when the
// file cannot be read or is not a valid picture.
QImage RenderSvg(const QString &svgPath, int size);
