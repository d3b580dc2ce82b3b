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

// Replaces the box, so that tests can see what would be shown without a modal loop. An empty
// function restores the box.
void SetErrorBoxHandler(std::function<void(const QString &caption, const QString &text)> handler);
