#include "UnFmParam.h"

#include "TrimText.h"
#include "links/WebPages.h"
#include "runs/KeyCheckWorker.h"
#include "stored/UnParam.h"
#include "widgets/DigitsOnlyLineEdit.h"
#include "widgets/GeneralErrorHandler.h"
#include "widgets/GlyphButton.h"
#include "widgets/LinkLabel.h"
#include "widgets/PlacedControl.h"
#include "widgets/ShellOpen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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
    resize(490, 230);
    // Smaller, OK and Cancel would go out of sight.
    setMinimumSize(size());
}

void TFmParam::createContents()
{
    createControls();
    createOpenPlatformControls();
    createCheckControls();
    connect(BitBtn1, &QPushButton::clicked, this, &TFmParam::okPressed);
    connect(BitBtn2, &QPushButton::clicked, this, &TFmParam::reject);
    connect(Label2, &LinkLabel::clicked, this, Guarded(this, &TFmParam::Label2Click));
    connect(Label4, &LinkLabel::clicked, this, Guarded(this, &TFmParam::Label4Click));
    connect(CbShowSecret, &QCheckBox::toggled, this, Guarded(this, &TFmParam::CbShowSecretClick));
    connect(BtCheck, &QPushButton::clicked, this, Guarded(this, &TFmParam::BtCheckClick));
    describeControls();
}

void TFmParam::createCheckControls()
{
    Label6 = label(this, "Label6", QStringLiteral("Страна:"), 255, 120, 45, 13);
    CbCountry = place(new QComboBox(this), "CbCountry", 325, 117, 70, 21);
    CbCountry->setEditable(true);
    CbCountry->setToolTip(QStringLiteral("Страна покупателя: цены и доставка для неё"));
    // Where the affiliates' buyers mostly are; any other two-letter code may be typed.
    CbCountry->addItems({"RU", "BY", "KZ", "UZ", "KG", "AM", "AZ", "GE", "MD", "UA", "IL", "US",
                         "DE", "FR", "ES", "IT", "PL", "BR", "TR"});
    BtCheck =
        place(new QPushButton(QStringLiteral("Проверить"), this), "BtCheck", 325, 146, 90, 25);
    BtCheck->setAutoDefault(false);
    BtCheck->setToolTip(QStringLiteral("Проверить API KEY и App Secret на Open Platform"));
    LbCheck = place(new QLabel(this), "LbCheck", 20, 178, 455, 44);
    LbCheck->setWordWrap(true);
    LbCheck->setTextFormat(Qt::PlainText);
    LbCheck->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTabOrder(CbCurrency, CbCountry);
    setTabOrder(CbCountry, BtCheck);
    setTabOrder(BtCheck, BitBtn1);
}

KeyCheckWorker &TFmParam::keyCheckWorker()
{
    if (!m_keyCheck) {
        ensureContents();
        m_keyCheck = new KeyCheckWorker(this);
        connect(m_keyCheck, &KeyCheckWorker::checked, this, &TFmParam::showCheck);
        connect(m_keyCheck, &RunWorker::finished, this,
                [this] { BtCheck->setText(QStringLiteral("Проверить")); });
        connect(m_keyCheck, &RunWorker::lineLogged, LbCheck, &QLabel::setText);
    }
    return *m_keyCheck;
}

void TFmParam::BtCheckClick()
{
    KeyCheckWorker &worker = keyCheckWorker();
    if (worker.isRunning())
        return worker.stop();
    TParametrs typed = AppParams;
    typed.api_key = TrimText(EdAppkey->text());
    typed.app_secret = TrimText(EdAppSecret->text());
    LbCheck->setText(QStringLiteral("Проверяю…"));
    if (worker.start(typed))
        BtCheck->setText(QStringLiteral("Стоп"));
}

void TFmParam::done(int result)
{
    // A check's answer is for the dialog that asked.
    if (m_keyCheck)
        m_keyCheck->stop();
    ProgramDialog::done(result);
}

void TFmParam::showCheck(bool works, const QStringList &lines)
{
    LbCheck->setText(lines.join(u'\n'));
    // Green for a key that works, the error colour for one that does not.
    LbCheck->setStyleSheet(works ? QStringLiteral("color: #1a7f37;")
                                 : QStringLiteral("color: #b3261e;"));
}

void TFmParam::describeControls()
{
    EdAppkey->setAccessibleName(QStringLiteral("API KEY"));
    EdAppSecret->setAccessibleName(QStringLiteral("App Secret"));
    CbShowSecret->setAccessibleName(QStringLiteral("Показать App Secret"));
    CbCurrency->setAccessibleName(QStringLiteral("Валюта цен"));
    CbCountry->setAccessibleName(QStringLiteral("Страна покупателя"));
    BtCheck->setAccessibleName(QStringLiteral("Проверить API KEY и App Secret"));
    LbCheck->setAccessibleName(QStringLiteral("Итог проверки"));
    Label2->setAccessibleName(QStringLiteral("Получить API KEY на AliExpress"));
    Label4->setAccessibleName(QStringLiteral("Получить App Secret на Open Platform"));
    Label1->setBuddy(EdAppkey);
    Label3->setBuddy(EdAppSecret);
    Label5->setBuddy(CbCurrency);
    Label6->setBuddy(CbCountry);
}

void TFmParam::createControls()
{
    Label1 = label(this, "Label1", QStringLiteral("API KEY:"), 20, 21, 42, 13);
    Label2 = place(new LinkLabel(QStringLiteral("Получить на AliExpress"), this), "Label2", 20, 45,
                   116, 13);
    Label2->adjustSize();
    EdAppkey = place(new DigitsOnlyLineEdit(this), "EdAppkey", 84, 18, 121, 21);
    EdAppkey->setMaxLength(std::numeric_limits<int>::max());
    BitBtn1 = place(new GlyphButton(GlyphButton::Glyph::Ok, QStringLiteral("OK"), this), "BitBtn1",
                    8, 90, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = place(new GlyphButton(GlyphButton::Glyph::Cancel, QStringLiteral("Отмена"), this),
                    "BitBtn2", 162, 90, 75, 25);
}

void TFmParam::createOpenPlatformControls()
{
    Label3 = label(this, "Label3", QStringLiteral("App Secret:"), 255, 21, 62, 13);
    EdAppSecret = place(new QLineEdit(this), "EdAppSecret", 325, 18, 150, 21);
    EdAppSecret->setEchoMode(QLineEdit::Password);
    EdAppSecret->setMaxLength(std::numeric_limits<int>::max());
    CbShowSecret =
        place(new QCheckBox(QStringLiteral("Показать"), this), "CbShowSecret", 325, 43, 150, 17);
    Label4 = place(new LinkLabel(QStringLiteral("Получить на Open Platform"), this), "Label4", 255,
                   66, 150, 13);
    Label4->adjustSize();
    Label5 = label(this, "Label5", QStringLiteral("Валюта:"), 255, 93, 45, 13);
    CbCurrency = place(new QComboBox(this), "CbCurrency", 325, 90, 70, 21);
    // The currencies the Open Platform converts prices to.
    CbCurrency->addItems({"USD", "GBP", "CAD", "EUR", "UAH", "MXN", "TRY", "RUB", "BRL", "AUD",
                          "INR", "JPY", "IDR", "SEK", "KRW"});
    setTabOrder(EdAppkey, Label2);
    setTabOrder(Label2, EdAppSecret);
    setTabOrder(EdAppSecret, CbShowSecret);
    setTabOrder(CbShowSecret, Label4);
    setTabOrder(Label4, CbCurrency);
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
    CbCountry->setCurrentText(AppParams.country);
    LbCheck->clear();
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
    const QString country = TrimText(CbCountry->currentText()).toUpper();
    AppParams.country = country.isEmpty() ? TParametrs().country : country;
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
