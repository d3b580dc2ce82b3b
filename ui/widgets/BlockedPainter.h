#pragma once

#include <QElapsedTimer>

// Paints the program's windows while the GUI thread is blocked in a network wait, and handles
// no other event: input, timers, socket notifiers and posted calls stay queued, to run where
// the program would have run them anyway.
class BlockedPainter
{
public:
    // At most this often keepPainted() repaints every visible window whole.
    static constexpr int FullRepaintMs = 200;

    // Paints what has changed in the windows since they were last painted.
    static void paintChanges();

    // paintChanges(), and now and then every visible window whole: when another window
    // uncovers part of one meanwhile, the platform's request to paint it waits in the queue
    // among the input, so it is not waited for.
    void keepPainted();

private:
    QElapsedTimer m_sinceFullRepaint;
};
