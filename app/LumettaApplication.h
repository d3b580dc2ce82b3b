#pragma once

#include <QApplication>

// The application object. Every error that escapes an event handler, also one inside a modal
// dialog's loop or inside a generate run's pending-events step, ends here and goes to the
// general error handler; the program then goes on with the next event.
class LumettaApplication : public QApplication
{
    Q_OBJECT

public:
    LumettaApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};
