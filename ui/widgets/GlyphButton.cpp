#include "widgets/GlyphButton.h"

#include "widgets/SvgIcon.h"

namespace {
const QSize glyphSize(18, 18);
} // namespace

// The glyphs are rendered on first paint, at the density actually used, not up front: the
// dialogs exist from start-up on but are seldom opened.
GlyphButton::GlyphButton(Glyph glyph, const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{
    setIcon(SvgIcon(normalPicture(glyph), disabledPicture(glyph)));
    setIconSize(glyphSize);
}

QString GlyphButton::normalPicture(Glyph glyph)
{
    return glyph == Glyph::Ok ? QStringLiteral(":/pictures/ok.svg")
                              : QStringLiteral(":/pictures/cancel.svg");
}

QString GlyphButton::disabledPicture(Glyph glyph)
{
    return glyph == Glyph::Ok ? QStringLiteral(":/pictures/ok-disabled.svg")
                              : QStringLiteral(":/pictures/cancel-disabled.svg");
}
