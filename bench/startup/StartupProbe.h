#pragma once

class QWidget;

// Watches a freshly shown main window: at its first paint it notes the monotonic clock, lets
// the program idle a moment, then prints "<paint time in ns> <VmRSS in KiB>" on standard
// output and ends the event loop without closing any window (so nothing is saved).
void ProbeStartup(QWidget *mainWindow);
