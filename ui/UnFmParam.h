#pragma once

#include "widgets/ProgramDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class DigitsOnlyLineEdit;
class GlyphButton;
class LinkLabel;
class KeyCheckWorker;
class QPushButton;

// The settings dialog: edits the API key, the Open Platform's App Secret, the currency of the
// product's facts and the buyer's country held in memory (AppParams), and checks a key and
// secret as typed with the Open Platform, off the window's thread. It never writes the settings
// file; its owner stores them after exec() returns 1 (OK). exec() returns 2 after Cancel, Esc or
// the close box. The secret is masked unless "Показать" is ticked; every showing masks it again.
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
    QLabel *Label6;
    QComboBox *CbCountry;
    QPushButton *BtCheck;
    QLabel *LbCheck;

    // The worker of the checks, made at the first one (tests point it at their services).
    KeyCheckWorker &keyCheckWorker();

    void FormShow() override;
    void BitBtn1Click();
    void Label2Click();
    void Label4Click();
    void CbShowSecretClick();
    // Checks the key and secret as typed, or stops a check in progress.
    void BtCheckClick();
    void done(int result) override;

protected:
    QWidget *firstFocus() const override;

private:
    void createControls();
    void describeControls();
    void createOpenPlatformControls();
    void createCheckControls();
    void showCheck(bool works, const QStringList &lines);
    void okPressed();

    KeyCheckWorker *m_keyCheck = nullptr;
};

extern TFmParam *FmParam;
