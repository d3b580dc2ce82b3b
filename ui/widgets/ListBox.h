#pragma once

#include <QListWidget>

// A single-selection list of plain texts with rows of a fixed height. It tells a selection the
// user makes with the mouse or the keyboard (userSelectionChanged) from one that code makes by
// clearing, refilling or removing items, which must not count as the user's choice.
class ListBox : public QListWidget
{
    Q_OBJECT

public:
    ListBox(int itemHeight, QWidget *parent = nullptr);

Q_SIGNALS:
    void userSelectionChanged();

protected:
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    int m_userInputDepth = 0;
};
