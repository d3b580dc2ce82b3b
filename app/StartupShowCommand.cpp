#include "StartupShowCommand.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include <QtGlobal>

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
