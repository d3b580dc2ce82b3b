#pragma once

#include <QWidget>

#include <functional>
#include <memory>

// Acts on the next modal window once it is open, from inside its own event loop: the action
// gets the modal widget (a dialog or a message box). Call it before the code that opens the
// window. If no modal window opens within the polls, the action is not run and
// actionRan() stays false, so that the test fails instead of hanging.
class ModalDriver
{
public:
    explicit ModalDriver(std::function<void(QWidget *modal)> action);

    bool actionRan() const { return *m_ran; }

private:
    std::shared_ptr<bool> m_ran;
};
