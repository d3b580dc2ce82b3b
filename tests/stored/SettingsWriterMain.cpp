// A second running copy for the stored-data tests, working on the settings file of a given
// directory:
//   write <directory> <prefix> <count>  once a line arrives on its input, writes the keys
//                                       <prefix>0 … <prefix><count - 1>, each holding "v" and
//                                       its number
//   hold <directory>                    takes the settings file's lock and keeps it until killed
#include "LumettaError.h"
#include "stored/FileUpdateLock.h"
#include "stored/UnParam.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <cstdio>

namespace {

int writeKeys(const QString &prefix, int count)
{
    std::puts("ready");
    std::fflush(stdout);
    std::getchar(); // both copies start writing together
    try {
        for (int i = 0; i < count; ++i)
            WriteSetting(prefix + QString::number(i), QStringLiteral("v%1").arg(i));
    } catch (const LumettaError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}

int holdLock()
{
    const FileUpdateLock lock(SettingsFilePath());
    if (!lock.isLocked())
        return 1;
    std::puts("held");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

} // namespace

int main(int argc, char **argv)
{
    // Like the program itself, with an application object.
    const QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    SetDataDirectory(arguments.value(2));
    if (arguments.value(1) == QLatin1String("write") && arguments.size() == 5)
        return writeKeys(arguments.at(3), arguments.at(4).toInt());
    if (arguments.value(1) == QLatin1String("hold"))
        return holdLock();
    std::fprintf(stderr, "usage: write <directory> <prefix> <count> | hold <directory>\n");
    return 2;
}
