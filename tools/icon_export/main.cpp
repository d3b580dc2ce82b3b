// icon_export: turns the program's SVG pictures into raster files.
//   icon_export ico <icon.svg> <out.ico>          the Windows icon: 16, 24, 32, 48 and 256 px
//   icon_export png <picture.svg> <out.png> <px>  one square rendering
//   icon_export preview <dir> <outdir>            every picture of <dir> at 1x and 2x its size
#include "IcoWriter.h"
#include "SvgRaster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSvgRenderer>
#include <QTextStream>

#include <exception>
#include <stdexcept>

namespace {

const int IconSizes[] = {16, 24, 32, 48, 256};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        throw std::runtime_error("cannot write " + path.toStdString());
}

void savePng(const QImage &image, const QString &path)
{
    if (!image.save(path, "PNG"))
        throw std::runtime_error("cannot write " + path.toStdString());
}

void exportIco(const QString &svgPath, const QString &icoPath)
{
    IcoWriter writer;
    for (int size : IconSizes)
        writer.addImage(RenderSvg(svgPath, size));
    writeFile(icoPath, writer.toBytes());
}

void exportPng(const QString &svgPath, const QString &pngPath, const QString &sizeText)
{
    bool ok = false;
    const int size = sizeText.toInt(&ok);
    if (!ok || size <= 0 || size > 4096)
        throw std::invalid_argument("the size must be a number of pixels from 1 to 4096");
    savePng(RenderSvg(svgPath, size), pngPath);
}

void exportPreviews(const QString &svgDir, const QString &outDir)
{
    if (!QDir().mkpath(outDir))
        throw std::runtime_error("cannot create " + outDir.toStdString());
    const QFileInfoList pictures = QDir(svgDir).entryInfoList({"*.svg"}, QDir::Files, QDir::Name);
    for (const QFileInfo &picture : pictures) {
        const int side = QSvgRenderer(picture.filePath()).defaultSize().width();
        for (int scale : {1, 2}) {
            const QString name = QStringLiteral("%1@%2x.png").arg(picture.baseName()).arg(scale);
            savePng(RenderSvg(picture.filePath(), side * scale), QDir(outDir).filePath(name));
        }
    }
}

int usage()
{
    QTextStream(stderr) << "usage: icon_export ico <icon.svg> <out.ico>\n"
                           "       icon_export png <picture.svg> <out.png> <pixels>\n"
                           "       icon_export preview <svg-dir> <out-dir>\n";
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    // Rendering needs the GUI module but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 3 && args[0] == "ico")
            exportIco(args[1], args[2]);
        else if (args.size() == 4 && args[0] == "png")
            exportPng(args[1], args[2], args[3]);
        else if (args.size() == 3 && args[0] == "preview")
            exportPreviews(args[1], args[2]);
        else
            return usage();
    } catch (const std::exception &error) {
        QTextStream(stderr) << "icon_export: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
