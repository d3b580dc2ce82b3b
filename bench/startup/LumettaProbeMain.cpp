// The program's start-up, exactly as its entry runs it, with the probe attached once the main
// window is shown. Works on a scratch data directory: a first start with no files.

#include "Startup.h"
#include "StartupProbe.h"
#include "stored/UnParam.h"

#include <QTemporaryDir>

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    SetDataDirectory(scratch.path());
    return RunLumetta(argc, argv, [](QWidget *mainWindow) { ProbeStartup(mainWindow); });
}
