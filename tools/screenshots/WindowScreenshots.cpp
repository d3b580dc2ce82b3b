// Renders the main window, the tracking-ID editor and the settings dialog to PNG files, with
// sample contents, in the program's own look. Works on a scratch data directory, never on the
// files beside the executable.

#include "LumettaApplication.h"
#include "Startup.h"
#include "UnEditTrackingId.h"
#include "UnFmParam.h"
#include "Unit1.h"
#include "stored/UnParam.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {
void fillSampleContents(TForm1 &window)
{
    window.EdTrackID->addItems({QStringLiteral("default"), QStringLiteral("blog_main")});
    window.EdTrackID->setEditText(QStringLiteral("blog_main"));
    window.EdUrl->setText(QStringLiteral("https://aliexpress.ru/item/1005001234567890.html"));
    window.EdLinkPartn->setText(QStringLiteral("https://s.click.aliexpress.com/e/_DkLmNoP"));
    window.EdShortParLink->setText(QStringLiteral("https://clck.ru/3AbCdE"));
    for (const QString &line :
         {QStringLiteral("Статус ответа: 20010000"), QString(),
          QStringLiteral("Всего данных (ali): 1"), QString(),
          QStringLiteral("Всего данных (факт): 1"), QString(),
          QStringLiteral("Для ссылки: https://aliexpress.ru/item/1005001234567890.html"),
          QStringLiteral("Партнёрская: https://s.click.aliexpress.com/e/_DkLmNoP"),
          QStringLiteral("Короткая партнёрская от Яндекса: https://clck.ru/3AbCdE"), QString()})
        window.AddLog(line);
}

bool save(QWidget *window, const QString &directory, const QString &name)
{
    window->show();
    QCoreApplication::processEvents();
    const QString path = QDir(directory).filePath(name);
    const bool saved = window->grab().save(path);
    std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}
} // namespace

int main(int argc, char **argv)
{
    LumettaApplication application(argc, argv);
    const QString outputDirectory =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    if (!QDir().mkpath(outputDirectory))
        return 1;
    QTemporaryDir scratch;
    SetDataDirectory(scratch.path());

    std::unique_ptr<QWidget> mainWindow(StartLumetta(application, 1));
    fillSampleContents(*Form1);
    bool ok = save(mainWindow.get(), outputDirectory, QStringLiteral("main-window.png"));

    Form2->ensureContents();
    Form2->ListBox1->addItems({QStringLiteral("default"), QStringLiteral("blog_main")});
    ok = save(Form2, outputDirectory, QStringLiteral("tracking-id-editor.png")) && ok;
    Form2->hide();

    AppParams.api_key = QStringLiteral("123456");
    ok = save(FmParam, outputDirectory, QStringLiteral("settings-dialog.png")) && ok;
    FmParam->hide();
    return ok ? 0 : 1;
}
