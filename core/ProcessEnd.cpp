#include "ProcessEnd.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

int EndProcess(int exitCode)
{
#ifdef _WIN32
    std::fflush(nullptr);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(exitCode));
#endif
    return exitCode;
}
