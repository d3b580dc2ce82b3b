#include "UnEditTrackingId.h"

#include "TrimText.h"
#include "links/WebPages.h"
#include "stored/UnParam.h"
#include "widgets/CommaText.h"
#include "widgets/GeneralErrorHandler.h"
#include "widgets/GlyphButton.h"
#include "widgets/LinkLabel.h"
#include "widgets/ListBox.h"
#include "widgets/ShellOpen.h"
#include "widgets/SingleLineEdit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

TForm2 *Form2 = nullptr;

namespace {

const QString descriptionKeyPrefix = QStringLiteral("TID_");

// The lines of a text box: a line break at the very end opens no further line.
QStringList memoLines(const QPlainTextEdit *memo)
{
    QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

TForm2::TForm2(QWidget *parent)
    : ProgramDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Редактор Tracking ID"));
    setFixedSize(367, 252);
}

void TForm2::createContents()
{
    createControls();
    connectHandlers();
}

void TForm2::createControls()
{
    Edit1 = new SingleLineEdit(this);
    Edit1->setGeometry(8, 16, 209, 21);
    Button1 = new QPushButton(QStringLiteral("Добавить"), this);
    Button1->setGeometry(223, 14, 130, 25);
    ListBox1 = new ListBox(13, this);
    ListBox1->setGeometry(8, 43, 209, 166);
    Label1 = new LinkLabel(QStringLiteral("Получить на AliExpress"), this);
    Label1->setGeometry(223, 56, 116, 13);
    Label1->adjustSize();
    btDel = new QPushButton(QStringLiteral("Удалить выделенный"), this);
    btDel->setGeometry(223, 144, 130, 25);
    btDel->setEnabled(false);
    BitBtn1 = new GlyphButton(GlyphButton::Glyph::Ok, QStringLiteral("OK"), this);
    BitBtn1->setGeometry(8, 219, 75, 25);
    BitBtn2 = new GlyphButton(GlyphButton::Glyph::Cancel, QStringLiteral("Cancel"), this);
    BitBtn2->setGeometry(278, 219, 75, 25);

    Label2 = new QLabel(QStringLiteral("Комментарий для выделенного Tracking ID"), this);
    Label2->setGeometry(376, 8, 217, 13);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(359, 27, 257, 155);
    Button3 = new QPushButton(QStringLiteral("Сохранить описание"), this);
    Button3->setGeometry(495, 188, 121, 25);
    for (QWidget *hidden : {static_cast<QWidget *>(Label2), static_cast<QWidget *>(Memo1),
                            static_cast<QWidget *>(Button3)})
        hidden->hide();

    // No default button: Enter in the entry field adds the entry, and must not end the dialog.
    for (QPushButton *button : {Button1, btDel, static_cast<QPushButton *>(BitBtn1),
                                static_cast<QPushButton *>(BitBtn2), Button3})
        button->setAutoDefault(false);

    const std::initializer_list<std::pair<QObject *, const char *>> names = {
        {Edit1, "Edit1"}, {Button1, "Button1"}, {ListBox1, "ListBox1"}, {Label1, "Label1"},
        {btDel, "btDel"}, {BitBtn1, "BitBtn1"}, {BitBtn2, "BitBtn2"},   {Label2, "Label2"},
        {Memo1, "Memo1"}, {Button3, "Button3"}};
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, ListBox1);
    setTabOrder(ListBox1, Label1);
    setTabOrder(Label1, btDel);
    setTabOrder(btDel, Memo1);
    setTabOrder(Memo1, Button3);
    setTabOrder(Button3, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    describeControls();
}

void TForm2::describeControls()
{
    Edit1->setAccessibleName(QStringLiteral("Новый Tracking ID"));
    ListBox1->setAccessibleName(QStringLiteral("Список Tracking ID"));
    Label1->setAccessibleName(QStringLiteral("Получить Tracking ID на AliExpress"));
}

void TForm2::connectHandlers()
{
    Edit1->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, Guarded(this, &TForm2::Button1Click));
    // Refilling the list or deleting an item also changes the selection, but only a selection
    // the user makes loads a description.
    connect(static_cast<ListBox *>(ListBox1), &ListBox::userSelectionChanged, this,
            Guarded(this, &TForm2::ListBox1Click));
    connect(btDel, &QPushButton::clicked, this, Guarded(this, &TForm2::btDelClick));
    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::okPressed);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm2::reject);
    connect(Label1, &LinkLabel::clicked, this, Guarded(this, &TForm2::Label1Click));
    connect(Button3, &QPushButton::clicked, this, Guarded(this, &TForm2::Button3Click));
}

void TForm2::FormShow()
{
    Memo1->clear();
}

void TForm2::Button1Click()
{
    if (TrimText(Edit1->text()).isEmpty())
        return;
    ListBox1->addItem(Edit1->text());
    ListBox1->scrollToItem(ListBox1->item(ListBox1->count() - 1));
    Edit1->clear();
}

void TForm2::Edit1KeyPress(QChar key)
{
    if (key == QChar(13))
        Button1Click();
}

void TForm2::ListBox1Click()
{
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    // Decoded before anything changes: a bad stored description leaves the memo and the
    // delete button as they were.
    const QString description =
        selected.isEmpty()
            ? QString()
            : HexUtf8ToStr(ReadSetting(descriptionKeyPrefix + selected.first()->text(), {}));
    Memo1->setPlainText(description);
    btDel->setEnabled(!selected.isEmpty());
}

void TForm2::btDelClick()
{
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    if (!selected.isEmpty())
        delete ListBox1->takeItem(ListBox1->row(selected.first()));
    // Removing the selected row would otherwise pass the selection on to its neighbour.
    ListBox1->setCurrentRow(-1);
    ListBox1->clearSelection();
    // A disabled button passes its focus on to the next control, OK, where the next Enter or
    // Space would close the editor: the focus goes back to the list instead.
    if (focusWidget() == btDel)
        ListBox1->setFocus(Qt::OtherFocusReason);
    btDel->setEnabled(false);
}

void TForm2::okPressed()
{
    // OK ends the dialog with result 1 even when saving fails, after the error is reported.
    Guarded(this, &TForm2::BitBtn1Click)();
    done(1);
}

void TForm2::BitBtn1Click()
{
    QStringList items;
    items.reserve(ListBox1->count());
    for (int row = 0; row < ListBox1->count(); ++row)
        items << ListBox1->item(row)->text();
    SaveTrackingIds(items);
}

void TForm2::Label1Click()
{
    ShellOpen(WebPages::portalTrackingIds(), this);
}

void TForm2::Button3Click()
{
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    if (selected.isEmpty())
        return;
    const QString description = TrimText(CommaText(memoLines(Memo1)));
    WriteSetting(descriptionKeyPrefix + selected.first()->text(), StrToHexUtf8(description));
}

QWidget *TForm2::firstFocus() const
{
    return Edit1;
}

void TForm2::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter presses the focused button, as on the platform's own dialogs; elsewhere it does
        // nothing, since this dialog has no default button.
        auto *button = qobject_cast<QPushButton *>(focusWidget());
        if (button && button->isEnabled() && button->isVisible())
            button->click();
        event->accept();
        return;
    }
    ProgramDialog::keyPressEvent(event);
}

bool TForm2::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool carriageReturn = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                                    !(key->modifiers() & Qt::ControlModifier);
        if (carriageReturn)
            Edit1KeyPress(QChar(13));
        else if (!key->text().isEmpty())
            Edit1KeyPress(key->text().front());
    }
    return ProgramDialog::eventFilter(watched, event);
}
