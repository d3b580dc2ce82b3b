#pragma once

#include <QLineEdit>

// A single-line text field that, like the platform's own, takes only one line of a pasted text
// (its first that holds more than blanks), whether pasted by the keyboard, the context menu or
// the middle button, or dropped: a line break would otherwise be kept in the field, invisible,
// and sent wherever its text goes.
class SingleLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit SingleLineEdit(QWidget *parent = nullptr);

    // The first line of the text (lines end at CR or LF) that holds more than blanks; empty
    // when none does.
    static QString firstLine(const QString &text);

    // Pastes the first line of the clipboard's text over the selection, as QLineEdit::paste()
    // does with the whole text.
    void pasteFirstLine();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void insertFirstLine(const QString &text);
};
