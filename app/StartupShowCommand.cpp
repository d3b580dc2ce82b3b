#include "StartupShowCommand.h"

// First: Q_OS_WIN below comes from it.
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

int StartupShowCommand()
{
#ifdef Q_OS_WIN
    STARTUPINFOW info{};
    info.cb = sizeof(info);
    GetStartupInfoW(&info);
    if (info.dwFlags & STARTF_USESHOWWINDOW)
        return info.wShowWindow;
#endif
    return 1;
}
