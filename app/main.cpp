#include "CommandLine.h"
#include "ProcessEnd.h"
#include "Startup.h"

int main(int argc, char **argv)
{
    if (const auto exitCode = RunCommandLine(argc, argv))
        return *exitCode;
    return EndProcess(RunLumetta(argc, argv));
}
