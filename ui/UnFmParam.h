#pragma once

#include "widgets/ProgramDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class DigitsOnlyLineEdit;
class GlyphButton;
class LinkLabel;

// The settings dialog: edits the API key, the Open Platform's App Secret and the currency of
// the product's facts held in memory (AppParams). It never writes the settings file; its owner
// stores them after exec() returns 1 (OK). exec() returns 2 after Cancel, Esc or the close box. The
// secret is masked unless "Показать" is ticked; every showing masks it again.
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
    QLabel *Label3;
    QLineEdit *EdAppSecret;
    QCheckBox *CbShowSecret;
    LinkLabel *Label4;
    QLabel *Label5;
    QComboBox *CbCurrency;

    void FormShow() override;
    void BitBtn1Click();
    void Label2Click();
    void Label4Click();
    void CbShowSecretClick();

protected:
    QWidget *firstFocus() const override;

private:
    void createControls();
    void describeControls();
    void createOpenPlatformControls();
    void okPressed();
};

extern TFmParam *FmParam;
