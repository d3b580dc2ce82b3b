#pragma once

#include <QIcon>
#include <QString>

// An icon drawn from a vector picture at the usual icon sizes, without depending on Qt's SVG
// icon plugin being installed. A missing picture gives a null icon.
QIcon SvgIcon(const QString &picturePath);
