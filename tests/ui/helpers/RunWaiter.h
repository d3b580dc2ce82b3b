#pragma once

class TForm1;

// Waits, handling the window's events, until the window's generate run has ended; false when
// it has not within msecs.
bool waitForRunEnd(TForm1 &window, int msecs = 15000);
