#include "widgets/ProgramDialog.h"

#include "widgets/DialogPlacement.h"

#include <QShowEvent>

ProgramDialog::ProgramDialog(QWidget *parent, Qt::WindowFlags flags) : QDialog(parent, flags)
{
    new DialogPlacement(this);
}

void ProgramDialog::ensureContents()
{
    if (m_hasContents)
        return;
    m_hasContents = true;
    createContents();
}

void ProgramDialog::setVisible(bool visible)
{
    if (visible)
        ensureContents();
    QDialog::setVisible(visible);
}

void ProgramDialog::reject()
{
    done(2);
}

void ProgramDialog::done(int result)
{
    m_lastFocus = focusWidget();
    QDialog::done(result);
}

void ProgramDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    FormShow();
    QWidget *focus = m_lastFocus && !focusesFirstEveryTime() ? m_lastFocus.data() : firstFocus();
    focus->setFocus();
}
