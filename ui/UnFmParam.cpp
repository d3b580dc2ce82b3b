#include "UnFmParam.h"

#include "TrimText.h"
#include "links/WebPages.h"
#include "stored/UnParam.h"
#include "widgets/DigitsOnlyLineEdit.h"
#include "widgets/GeneralErrorHandler.h"
#include "widgets/GlyphButton.h"
#include "widgets/LinkLabel.h"
#include "widgets/ShellOpen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <limits>

TFmParam *FmParam = nullptr;

TFmParam::TFmParam(QWidget *parent)
    : ProgramDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                                Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FmParam"));
    setWindowTitle(QStringLiteral("Настройки"));
    // The Open Platform's controls stand to the right of the original ones.
    resize(490, 130);
    createControls();
    createOpenPlatformControls();
    connect(BitBtn1, &QPushButton::clicked, this, &TFmParam::okPressed);
    connect(BitBtn2, &QPushButton::clicked, this, &TFmParam::reject);
    connect(Label2, &LinkLabel::clicked, this, Guarded(this, &TFmParam::Label2Click));
    connect(Label4, &LinkLabel::clicked, this, Guarded(this, &TFmParam::Label4Click));
    connect(CbShowSecret, &QCheckBox::toggled, this, Guarded(this, &TFmParam::CbShowSecretClick));
}

void TFmParam::createControls()
{
    Label1 = new QLabel(QStringLiteral("API KEY:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(20, 21, 42, 13);
    Label1->adjustSize();
    Label2 = new LinkLabel(QStringLiteral("Получить на AliExpress"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(20, 45, 116, 13);
    Label2->adjustSize();
    EdAppkey = new DigitsOnlyLineEdit(this);
    EdAppkey->setObjectName(QStringLiteral("EdAppkey"));
    EdAppkey->setGeometry(84, 18, 121, 21);
    EdAppkey->setMaxLength(std::numeric_limits<int>::max());
    BitBtn1 = new GlyphButton(GlyphButton::Glyph::Ok, QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(8, 90, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new GlyphButton(GlyphButton::Glyph::Cancel, QStringLiteral("Отмена"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(162, 90, 75, 25);
}

void TFmParam::createOpenPlatformControls()
{
    Label3 = new QLabel(QStringLiteral("App Secret:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(255, 21, 62, 13);
    Label3->adjustSize();
    EdAppSecret = new QLineEdit(this);
    EdAppSecret->setObjectName(QStringLiteral("EdAppSecret"));
    EdAppSecret->setGeometry(325, 18, 150, 21);
    EdAppSecret->setEchoMode(QLineEdit::Password);
    EdAppSecret->setMaxLength(std::numeric_limits<int>::max());
    CbShowSecret = new QCheckBox(QStringLiteral("Показать"), this);
    CbShowSecret->setObjectName(QStringLiteral("CbShowSecret"));
    CbShowSecret->setGeometry(325, 43, 150, 17);
    Label4 = new LinkLabel(QStringLiteral("Получить на Open Platform"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(255, 66, 150, 13);
    Label4->adjustSize();
    Label5 = new QLabel(QStringLiteral("Валюта:"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(255, 93, 45, 13);
    Label5->adjustSize();
    CbCurrency = new QComboBox(this);
    CbCurrency->setObjectName(QStringLiteral("CbCurrency"));
    CbCurrency->setGeometry(325, 90, 70, 21);
    // The currencies the Open Platform converts prices to.
    CbCurrency->addItems({"USD", "GBP", "CAD", "EUR", "UAH", "MXN", "TRY", "RUB", "BRL", "AUD",
                          "INR", "JPY", "IDR", "SEK", "KRW"});
    setTabOrder(EdAppkey, EdAppSecret);
    setTabOrder(EdAppSecret, CbShowSecret);
    setTabOrder(CbShowSecret, CbCurrency);
    setTabOrder(CbCurrency, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
}

void TFmParam::FormShow()
{
    EdAppkey->setText(AppParams.api_key);
    EdAppSecret->setText(AppParams.app_secret);
    CbShowSecret->setChecked(false);
    CbShowSecretClick();
    // A currency the list lacks (a hand-edited file) is kept until another is chosen.
    if (CbCurrency->findText(AppParams.currency) < 0)
        CbCurrency->addItem(AppParams.currency);
    CbCurrency->setCurrentText(AppParams.currency);
}

void TFmParam::okPressed()
{
    Guarded(this, &TFmParam::BitBtn1Click)();
    done(1);
}

void TFmParam::BitBtn1Click()
{
    AppParams.api_key = TrimText(EdAppkey->text());
    AppParams.app_secret = TrimText(EdAppSecret->text());
    AppParams.currency = CbCurrency->currentText();
}

void TFmParam::Label2Click()
{
    ShellOpen(WebPages::portalApiSettings(), this);
}

void TFmParam::Label4Click()
{
    ShellOpen(WebPages::openPlatformConsole(), this);
}

void TFmParam::CbShowSecretClick()
{
    EdAppSecret->setEchoMode(CbShowSecret->isChecked() ? QLineEdit::Normal : QLineEdit::Password);
}

QWidget *TFmParam::firstFocus() const
{
    return EdAppkey;
}
