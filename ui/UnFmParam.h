#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class DigitsOnlyLineEdit;
class GlyphButton;
class LinkLabel;

// The settings dialog: edits the API key held in memory (AppParams.api_key). It never writes
// the settings file; its owner stores the key after exec() returns 1 (OK). exec() returns 2
// after Cancel, Esc or the close box.
class TFmParam : public QDialog
{
    Q_OBJECT

public:
    explicit TFmParam(QWidget *parent);

    QLabel *Label1;
    LinkLabel *Label2;
    DigitsOnlyLineEdit *EdAppkey;
    GlyphButton *BitBtn1;
    GlyphButton *BitBtn2;

    void FormShow();
    void BitBtn1Click();
    void Label2Click();

    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void okPressed();

    QPointer<QWidget> m_lastFocus;
};

extern TFmParam *FmParam;
