#pragma once

class QWidget;

// Watches a freshly shown main window: once its first paint is done it notes the monotonic
// clock, lets the program idle a moment, then prints "<time shown in ns> <VmRSS in KiB>" on
// standard output and ends the event loop without closing any window (so nothing is saved).
void ProbeStartup(QWidget *mainWindow);
