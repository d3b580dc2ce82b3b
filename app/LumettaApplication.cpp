#include "LumettaApplication.h"

#include "widgets/GeneralErrorHandler.h"

#include <exception>

LumettaApplication::LumettaApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool LumettaApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        ShowException(error);
    }
    return false;
}
