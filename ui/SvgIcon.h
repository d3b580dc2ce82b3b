#pragma once

#include <QIcon>
#include <QString>

// An icon drawn from a vector picture, rendered only at the sizes actually asked for, without
// depending on Qt's SVG icon plugin being installed. A missing picture gives a null icon.
QIcon SvgIcon(const QString &picturePath);
