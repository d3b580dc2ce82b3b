#include "widgets/SingleLineEdit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>

SingleLineEdit::SingleLineEdit(QWidget *parent) : QLineEdit(parent) {}

QString SingleLineEdit::firstLine(const QString &text)
{
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n]"));
    for (const QString &line : text.split(lineBreak)) {
        if (!line.trimmed().isEmpty())
            return line;
    }
    return QString();
}

void SingleLineEdit::pasteFirstLine()
{
    insertFirstLine(QGuiApplication::clipboard()->text());
}

void SingleLineEdit::insertFirstLine(const QString &text)
{
    if (isReadOnly())
        return;
    // As QLineEdit::paste(): nothing to paste over no selection changes nothing. A text of
    // blank lines only changes nothing either.
    const QString line = firstLine(text);
    if (!line.isEmpty() || (text.isEmpty() && hasSelectedText()))
        insert(line);
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

void SingleLineEdit::dropEvent(QDropEvent *event)
{
    const QMimeData *dropped = event->mimeData();
    const QString text = dropped->text();
    if (!dropped->hasText() || firstLine(text) == text)
        return QLineEdit::dropEvent(event);
    // The drop itself (where the caret goes, move or copy) stays QLineEdit's.
    QMimeData firstLineOnly;
    firstLineOnly.setText(firstLine(text));
    QDropEvent cut(event->position(), event->possibleActions(), &firstLineOnly, event->buttons(),
                   event->modifiers(), event->type());
    cut.setDropAction(event->dropAction());
    QLineEdit::dropEvent(&cut);
    event->setDropAction(cut.dropAction());
    event->setAccepted(cut.isAccepted());
}
