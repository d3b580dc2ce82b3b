#pragma once

#include "widgets/ProgramDialog.h"

class QLabel;
class DigitsOnlyLineEdit;
class GlyphButton;
class LinkLabel;

// The settings dialog: edits the API key held in memory (AppParams.api_key). It never writes
// the settings file; its owner stores the key after exec() returns 1 (OK). exec() returns 2
// after Cancel, Esc or the close box.
class TFmParam : public ProgramDialog
{
    Q_OBJECT

public:
    explicit TFmParam(QWidget *parent);

    QLabel *Label1;
    LinkLabel *Label2;
    DigitsOnlyLineEdit *EdAppkey;
    GlyphButton *BitBtn1;
    GlyphButton *BitBtn2;

    void FormShow() override;
    void BitBtn1Click();
    void Label2Click();

protected:
    QWidget *firstFocus() const override;

private:
    void createControls();
    void okPressed();
};

extern TFmParam *FmParam;
