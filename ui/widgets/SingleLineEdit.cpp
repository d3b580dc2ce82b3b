#include "widgets/SingleLineEdit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

SingleLineEdit::SingleLineEdit(QWidget *parent) : QLineEdit(parent) {}

QString SingleLineEdit::firstLine(const QString &text)
{
    const auto lineBreak =
        std::find_if(text.cbegin(), text.cend(), [](QChar c) { return c == u'\r' || c == u'\n'; });
    return text.left(lineBreak - text.cbegin());
}

void SingleLineEdit::pasteFirstLine()
{
    insertFirstLine(QGuiApplication::clipboard()->text());
}

void SingleLineEdit::insertFirstLine(const QString &text)
{
    if (isReadOnly())
        return;
    // As QLineEdit::paste(): nothing to paste over no selection changes nothing.
    if (!text.isEmpty() || hasSelectedText())
        insert(firstLine(text));
}

void SingleLineEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteFirstLine();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void SingleLineEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The standard menu's entry, known by its (translated) caption, which its shortcut follows.
    const QString pasteCaption = QLineEdit::tr("&Paste");
    for (QAction *action : menu->actions()) {
        if (action->text().startsWith(pasteCaption)) {
            disconnect(action, &QAction::triggered, this, nullptr);
            connect(action, &QAction::triggered, this, &SingleLineEdit::pasteFirstLine);
        }
    }
    menu->popup(event->globalPos());
}

void SingleLineEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection() && !isReadOnly()) {
        deselect();
        insertFirstLine(clipboard->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}
