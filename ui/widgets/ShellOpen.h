#pragma once

#include <QString>

#include <functional>

class QWidget;

// Asks the desktop to open a web address in the user's browser ("open" verb). The answer is
// not looked at: a failure to open is not reported.
void ShellOpen(const QString &url, QWidget *parent);

// Replaces the desktop call, so that tests can see which page a click opens. An empty
// function restores the desktop.
void SetShellOpenHandler(std::function<void(const QString &url)> handler);
