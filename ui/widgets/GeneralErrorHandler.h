#pragma once

#include <QString>

#include <exception>
#include <functional>

// The report of every error that a handler of the program does not catch itself.

// The text the error box shows: the innermost nested error's text (the nearest outer one when
// that is empty), with "." appended when the text is not empty and its last character's code
// is greater than that of the full stop.
QString ErrorMessageText(const std::exception &error);

// Shows ErrorMessageText in a critical box captioned with the application title, with a single
// OK button, owned by the active window; returns when the user has closed it.
void ShowException(const std::exception &error);

// Runs an event handler and reports any error escaping it. Handlers connected to Qt signals
// should run through this (see Guarded): an exception unwinding through Qt's own frames skips
// their clean-up and leaks the event being delivered. The application object still catches
// whatever gets past, as a last resort.
template <typename Handler>
void RunHandler(Handler &&handler)
{
    try {
        handler();
    } catch (const std::exception &error) {
        ShowException(error);
    }
}

// A slot that runs object->method() through RunHandler, e.g.
//   connect(button, &QPushButton::clicked, this, Guarded(this, &TForm1::Button1Click));
template <typename Object, typename Method>
auto Guarded(Object *object, Method method)
{
    return [object, method] { RunHandler([object, method] { (object->*method)(); }); };
}

// Replaces the box, so that tests can see what would be shown without a modal loop. An empty
// function restores the box.
void SetErrorBoxHandler(std::function<void(const QString &caption, const QString &text)> handler);
