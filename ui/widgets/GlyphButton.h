#pragma once

#include <QPushButton>

// A push button with an 18 x 18 glyph at the left of its caption, drawn from a picture for the
// normal state and another for the disabled state.
class GlyphButton : public QPushButton
{
    Q_OBJECT

public:
    enum class Glyph { Ok, Cancel };

    GlyphButton(Glyph glyph, const QString &caption, QWidget *parent = nullptr);

    static QString normalPicture(Glyph glyph);
    static QString disabledPicture(Glyph glyph);
};
