#pragma once

#include <QObject>

#include <functional>

// Calls a function once, at the first input the user gives the application (a key, the
// pointer moving or pressing, the wheel), then stops watching: work that only a coming action
// needs starts when a person reaches for the window, not while it opens.
class FirstInputWatcher : public QObject
{
public:
    FirstInputWatcher(std::function<void()> onFirstInput, QObject *parent);

    bool hasSeenInput() const { return !m_onFirstInput; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> m_onFirstInput;
};
