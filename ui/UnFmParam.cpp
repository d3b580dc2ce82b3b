#include "UnFmParam.h"

#include "TrimText.h"
#include "links/WebPages.h"
#include "stored/UnParam.h"
#include "widgets/DigitsOnlyLineEdit.h"
#include "widgets/GeneralErrorHandler.h"
#include "widgets/GlyphButton.h"
#include "widgets/LinkLabel.h"
#include "widgets/ShellOpen.h"

#include <QLabel>

#include <limits>

TFmParam *FmParam = nullptr;

TFmParam::TFmParam(QWidget *parent)
    : ProgramDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                                Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FmParam"));
    setWindowTitle(QStringLiteral("Настройки"));
    resize(245, 130);
    createControls();
    connect(BitBtn1, &QPushButton::clicked, this, &TFmParam::okPressed);
    connect(BitBtn2, &QPushButton::clicked, this, &TFmParam::reject);
    connect(Label2, &LinkLabel::clicked, this, Guarded(this, &TFmParam::Label2Click));
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
    setTabOrder(EdAppkey, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
}

void TFmParam::FormShow()
{
    EdAppkey->setText(AppParams.api_key);
}

void TFmParam::okPressed()
{
    Guarded(this, &TFmParam::BitBtn1Click)();
    done(1);
}

void TFmParam::BitBtn1Click()
{
    AppParams.api_key = TrimText(EdAppkey->text());
}

void TFmParam::Label2Click()
{
    ShellOpen(WebPages::portalApiSettings(), this);
}

QWidget *TFmParam::firstFocus() const
{
    return EdAppkey;
}
