#include "Startup.h"

#include "LumettaApplication.h"
#include "StartupShowCommand.h"
#include "Theme.h"
#include "UnEditTrackingId.h"
#include "UnFmParam.h"
#include "Unit1.h"
#include "widgets/SvgIcon.h"

#include <memory>

QWidget *StartLumetta(QApplication &application, int showCommand)
{
    Theme::apply(application);
    Theme::applyFont(application);
    Theme::useOwnPicturesOnly();
    // The application title is the caption of the general error box. It is the application's
    // name rather than its display name, which Qt would append to every window caption.
    QApplication::setApplicationName(QStringLiteral("Dalvo Lumetta"));
    QGuiApplication::setDesktopFileName(QStringLiteral("dalvo-lumetta"));
    QApplication::setWindowIcon(SvgIcon(QStringLiteral(":/pictures/app-icon.svg")));

    auto *mainWindow = new TForm1;
    Form2 = new TForm2(mainWindow);
    FmParam = new TFmParam(mainWindow);
    mainWindow->showAtStartup(showCommand);
    return mainWindow;
}

int RunLumetta(int argc, char **argv, const std::function<void(QWidget *)> &afterStart)
{
    // The program takes no command line: Qt sees the program name alone.
    static int qtArgc = 1;
    static char *qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    LumettaApplication application(qtArgc, qtArgv);
    std::unique_ptr<QWidget> mainWindow(StartLumetta(application, StartupShowCommand()));
    if (afterStart)
        afterStart(mainWindow.get());
    const int exitCode = application.exec();
    mainWindow.reset();
    Form2 = nullptr;
    FmParam = nullptr;
    return exitCode;
}
