#pragma once

#include <QDialog>
#include <QPointer>

// What the program's two dialogs share: exec() gives 1 after OK and 2 after Cancel, Esc or
// the close box; the first showing focuses firstFocus(), later ones the control that had the
// focus when the dialog last closed (or firstFocus() again where focusesFirstEveryTime());
// FormShow() runs on every showing; placement follows DialogPlacement. The controls are made
// by createContents() when first needed (at the first showing, or ensureContents()): the dialogs
// exist from start-up, but most starts never open them.
class ProgramDialog : public QDialog
{
    Q_OBJECT

public:
    ProgramDialog(QWidget *parent, Qt::WindowFlags flags);

    virtual void FormShow() = 0;
    void ensureContents();

    void setVisible(bool visible) override;
    void reject() override;
    void done(int result) override;

protected:
    virtual void createContents() = 0;
    virtual QWidget *firstFocus() const = 0;
    virtual bool focusesFirstEveryTime() const { return false; }
    void showEvent(QShowEvent *event) override;

private:
    QPointer<QWidget> m_lastFocus;
    bool m_hasContents = false;
};
