#pragma once

#include <QDialog>
#include <QPointer>

// What the program's two dialogs share: exec() gives 1 after OK and 2 after Cancel, Esc or
// the close box; the first showing focuses firstFocus(), later ones the control that had the
// focus when the dialog last closed (or firstFocus() again where focusesFirstEveryTime());
// FormShow() runs on every showing; placement follows DialogPlacement.
class ProgramDialog : public QDialog
{
    Q_OBJECT

public:
    ProgramDialog(QWidget *parent, Qt::WindowFlags flags);

    virtual void FormShow() = 0;

    void reject() override;
    void done(int result) override;

protected:
    virtual QWidget *firstFocus() const = 0;
    virtual bool focusesFirstEveryTime() const { return false; }
    void showEvent(QShowEvent *event) override;

private:
    QPointer<QWidget> m_lastFocus;
};
