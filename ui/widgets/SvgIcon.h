#pragma once

#include <QIcon>
#include <QString>

// An icon drawn from a vector picture, read on first use and rendered only at the sizes actually
// asked for, without depending on Qt's SVG icon plugin being installed. A missing picture gives
// a null icon; one that is there but unreadable draws nothing.
QIcon SvgIcon(const QString &picturePath);

// The same with a second picture for the disabled state (a missing one falls back to Qt's
// greyed rendering of the first).
QIcon SvgIcon(const QString &picturePath, const QString &disabledPicturePath);
