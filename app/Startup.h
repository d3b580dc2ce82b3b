#pragma once

#include <functional>

class QApplication;
class QWidget;

// The program's start-up after the application object exists: theme, font, title, the main
// window (which loads the stored data), the two dialogs hidden, then the main window shown.
// Returns the main window; the dialogs are its children.
QWidget *StartLumetta(QApplication &application, int showCommand);

// Runs the whole program: start-up, then the message loop until the main window has closed.
// afterStart, when given, runs once start-up is done (benchmarks time the start with it).
int RunLumetta(int argc, char **argv, const std::function<void(QWidget *)> &afterStart = {});
