#pragma once

#include "widgets/SingleLineEdit.h"

// A single-line field into which only the digits 0 to 9 can be typed. Text pasted or dropped
// into it is not filtered (beyond its first line), and editing and shortcut keys work as usual.
class DigitsOnlyLineEdit : public SingleLineEdit
{
    Q_OBJECT

public:
    explicit DigitsOnlyLineEdit(QWidget *parent = nullptr);

    // Whether typing this text would be refused.
    static bool isRefusedTyping(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
};
