#pragma once

#include "widgets/ProgramDialog.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class LinkLabel;
class GlyphButton;

// The tracking-ID editor: adds and deletes entries of its own list box; OK makes the list box
// the program's tracking-ID list and saves the list file, Cancel discards the changes. The
// owner fills ListBox1 before every showing. exec() returns 1 after OK, 2 otherwise.
class TForm2 : public ProgramDialog
{
    Q_OBJECT

public:
    explicit TForm2(QWidget *parent);

    QLineEdit *Edit1 = nullptr;
    QPushButton *Button1 = nullptr;
    QListWidget *ListBox1 = nullptr;
    LinkLabel *Label1 = nullptr;
    QPushButton *btDel = nullptr;
    GlyphButton *BitBtn1 = nullptr;
    GlyphButton *BitBtn2 = nullptr;
    // The description editor of the selected tracking ID: never shown, only loaded.
    QLabel *Label2 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *Button3 = nullptr;

    void FormShow() override;
    void Button1Click();
    void Edit1KeyPress(QChar key);
    void ListBox1Click();
    void btDelClick();
    void BitBtn1Click();
    void Label1Click();
    void Button3Click();

protected:
    void createContents() override;
    QWidget *firstFocus() const override;
    // An ID is typed first whenever the editor opens.
    bool focusesFirstEveryTime() const override { return true; }
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void describeControls();
    void connectHandlers();
    void okPressed();
};

extern TForm2 *Form2;
