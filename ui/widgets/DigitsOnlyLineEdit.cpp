#include "widgets/DigitsOnlyLineEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Ctrl and Ctrl+Shift combinations are shortcuts (paste, undo, select all…): the field never
// inserts their text, so they are let through whatever letter they carry.
bool isShortcut(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    return modifiers == Qt::ControlModifier ||
           modifiers == (Qt::ControlModifier | Qt::ShiftModifier);
}

} // namespace

DigitsOnlyLineEdit::DigitsOnlyLineEdit(QWidget *parent) : SingleLineEdit(parent) {}

bool DigitsOnlyLineEdit::isRefusedTyping(const QString &text)
{
    for (const QChar c : text) {
        // Control characters (Backspace, Enter, Tab…) are editing keys, not typed text.
        if (c.unicode() >= 32 && c.unicode() != 127 && !isDigit(c))
            return true;
    }
    return false;
}

void DigitsOnlyLineEdit::keyPressEvent(QKeyEvent *event)
{
    if (!isShortcut(event) && !event->matches(QKeySequence::Paste) &&
        isRefusedTyping(event->text())) {
        event->accept();
        return;
    }
    SingleLineEdit::keyPressEvent(event);
}

void DigitsOnlyLineEdit::inputMethodEvent(QInputMethodEvent *event)
{
    // An input method composes typed text too: a committed text with other characters is dropped.
    if (isRefusedTyping(event->commitString())) {
        QInputMethodEvent withoutCommit(event->preeditString(), event->attributes());
        QLineEdit::inputMethodEvent(&withoutCommit);
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}
