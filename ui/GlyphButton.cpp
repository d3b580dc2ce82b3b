#include "GlyphButton.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

const QSize glyphSize(18, 18);

// Drawn here at the usual display densities rather than through Qt's SVG icon plugin, which
// may not be installed. A missing picture adds nothing: that state then has no glyph.
void addGlyph(QIcon &icon, const QString &picturePath, QIcon::Mode mode)
{
    QSvgRenderer renderer(picturePath);
    if (!renderer.isValid())
        return;
    for (const qreal scale : {1.0, 1.25, 1.5, 2.0, 3.0}) {
        QPixmap pixmap(glyphSize * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap, mode);
    }
}

} // namespace

GlyphButton::GlyphButton(Glyph glyph, const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{
    QIcon icon;
    addGlyph(icon, normalPicture(glyph), QIcon::Normal);
    addGlyph(icon, disabledPicture(glyph), QIcon::Disabled);
    setIcon(icon);
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
