// The yardstick: an empty main window, built with the same compiler options.

#include "StartupProbe.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.resize(501, 392);
    window.show();
    ProbeStartup(&window);
    return application.exec();
}
