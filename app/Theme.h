#pragma once

#include <QString>

class QApplication;

// The look all windows share: the theme "Sapphire Kamri" (a style sheet over the Fusion style)
// and the font.
namespace Theme {
inline const QString Name = QStringLiteral("Sapphire Kamri");
inline const QString StyleSheetPath = QStringLiteral(":/theme/SapphireKamri.qss");

// Applies the theme from the style sheet at styleSheetPath. When it cannot be read, shows the
// "Style '...' not found" box, leaves the platform's own look and returns false.
bool apply(QApplication &application, const QString &styleSheetPath = StyleSheetPath);

// Keeps the look independent of the desktop's icon theme: the program carries its own pictures,
// and the few standard glyphs come from the style. Also spares reading the theme's index at
// start-up.
void useOwnPicturesOnly();

// Tahoma, 11 pixels at 96 dots per inch, or the closest sans-serif the system has.
void applyFont(QApplication &application);
} // namespace Theme
