#include "CommandLine.h"
#include "Startup.h"

int main(int argc, char **argv)
{
    if (const auto exitCode = RunCommandLine(argc, argv))
        return *exitCode;
    return RunLumetta(argc, argv);
}
