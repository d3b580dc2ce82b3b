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

    QLabel *Label1 = nullptr;
    LinkLabel *Label2 = nullptr;
    DigitsOnlyLineEdit *EdAppkey = nullptr;
    GlyphButton *BitBtn1 = nullptr;
    GlyphButton *BitBtn2 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *EdAppSecret = nullptr;
    QCheckBox *CbShowSecret = nullptr;
    LinkLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QComboBox *CbCurrency = nullptr;
    QLabel *Label6 = nullptr;
    QComboBox *CbCountry = nullptr;
    QPushButton *BtCheck = nullptr;
    QLabel *LbCheck = nullptr;

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
    void createContents() override;
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
