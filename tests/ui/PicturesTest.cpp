// The pictures compiled into the program, and the icon files shipped beside it: each loads,
// draws something at its own size and density, shows the colours it stands for, and the
// platform icon files match the application icon they were made from.

#include <QColor>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QSvgRenderer>
#include <QTest>
#include <QXmlStreamReader>

#include <cmath>

namespace {

QImage render(const QString &path, int side)
{
    QSvgRenderer renderer(path);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, side, side));
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// What share of a picture's visible pixels falls into each broad colour family.
struct ColourShares
{
    double visible = 0; // share of all pixels that show at all
    double green = 0, red = 0, orange = 0, blue = 0, brown = 0, neutral = 0, white = 0;
};

void classify(const QColor &colour, ColourShares &shares)
{
    const double saturation = colour.hsvSaturationF();
    const double value = colour.valueF();
    const int hue = colour.hsvHue();
    if (saturation < 0.18) {
        shares.neutral += 1;
        if (value > 0.9)
            shares.white += 1;
    } else if (hue >= 80 && hue <= 160) {
        shares.green += 1;
    } else if (hue >= 190 && hue <= 250) {
        shares.blue += 1;
    } else if (hue < 15 || hue >= 340) {
        shares.red += 1;
    } else if (hue < 45 && value < 0.8) {
        shares.brown += 1;
    } else if (hue < 45) {
        shares.orange += 1;
    }
}

ColourShares colourShares(const QImage &image)
{
    // Colours are judged on the mostly opaque pixels only, where blending does not shift them.
    ColourShares shares;
    int visible = 0, opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            visible += qAlpha(pixel) > 64;
            if (qAlpha(pixel) < 192)
                continue;
            ++opaque;
            classify(QColor::fromRgb(pixel), shares);
        }
    }
    shares.visible = double(visible) / (image.width() * image.height());
    if (opaque == 0)
        return shares;
    for (double *share : {&shares.green, &shares.red, &shares.orange, &shares.blue, &shares.brown,
                          &shares.neutral, &shares.white})
        *share /= opaque;
    return shares;
}

int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

// Mean difference per channel (0..255) of two images of the same size, alpha included.
double meanDifference(const QImage &a, const QImage &b)
{
    double total = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            total += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                     std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return total / (4.0 * a.width() * a.height());
}

// Share of the pixels covered by either picture that both cover: 1 for the same silhouette.
double silhouetteOverlap(const QImage &a, const QImage &b)
{
    int both = 0, either = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const bool inA = qAlpha(a.pixel(x, y)) > 64, inB = qAlpha(b.pixel(x, y)) > 64;
            both += inA && inB;
            either += inA || inB;
        }
    }
    return either == 0 ? 0 : double(both) / either;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

quint32 littleEndian32(const QByteArray &bytes, int offset)
{
    return quint32(quint8(bytes[offset])) | quint32(quint8(bytes[offset + 1])) << 8 |
           quint32(quint8(bytes[offset + 2])) << 16 | quint32(quint8(bytes[offset + 3])) << 24;
}

quint16 littleEndian16(const QByteArray &bytes, int offset)
{
    return quint16(quint8(bytes[offset]) | quint8(bytes[offset + 1]) << 8);
}

const QString AppIcon = QStringLiteral(":/pictures/app-icon.svg");

} // namespace

class PicturesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyPictureDrawsAtItsSize_data();
    void everyPictureDrawsAtItsSize();
    void picturesShowTheirColours_data();
    void picturesShowTheirColours();
    void disabledGlyphsOutlineTheNormalOnes_data();
    void disabledGlyphsOutlineTheNormalOnes();
    void themeArrowsDraw();
    void windowsIconHoldsEverySizeOfTheApplicationIcon();
    void windowsIconStoresSmallSizesAsBitmapsAndTheLargestAsPng();
    void windowsResourceScriptNamesFilesThatExist();
    void windowsManifestIsWellFormedAndAsksForTheRightSettings();
    void linuxDesktopEntryNamesTheApplicationIcon();
};

void PicturesTest::everyPictureDrawsAtItsSize_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("side");
    QTest::newRow("app-icon") << AppIcon << 256;
    for (const char *name : {"gear", "globe", "cart", "copy", "paste"})
        QTest::newRow(name) << QStringLiteral(":/pictures/%1.svg").arg(name) << 32;
    for (const char *name : {"ok", "ok-disabled", "cancel", "cancel-disabled"})
        QTest::newRow(name) << QStringLiteral(":/pictures/%1.svg").arg(name) << 18;
}

void PicturesTest::everyPictureDrawsAtItsSize()
{
    QFETCH(QString, path);
    QFETCH(int, side);
    QSvgRenderer renderer(path);
    QVERIFY2(renderer.isValid(), qPrintable(path));
    QCOMPARE(renderer.defaultSize(), QSize(side, side));
    // At the designed size and at double density: something visible, drawn with shading
    // rather than a flat blot, on a transparent background.
    for (int scale : {1, 2}) {
        const QImage image = render(path, side * scale);
        const ColourShares shares = colourShares(image);
        QVERIFY2(shares.visible > 0.1,
                 qPrintable(QStringLiteral("%1 at %2x").arg(path).arg(scale)));
        QVERIFY(distinctColours(image) > 8);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0);
    }
}

void PicturesTest::picturesShowTheirColours_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("least");
    QTest::newRow("app-icon: red disc") << AppIcon << "red" << 0.3;
    QTest::newRow("app-icon: silver ring") << AppIcon << "neutral" << 0.2;
    QTest::newRow("app-icon: white letters") << AppIcon << "white" << 0.05;
    QTest::newRow("gear: blue-grey metal") << ":/pictures/gear.svg"
                                           << "neutral" << 0.6;
    QTest::newRow("globe: blue") << ":/pictures/globe.svg"
                                 << "blue" << 0.6;
    QTest::newRow("cart: red-orange tile") << ":/pictures/cart.svg"
                                           << "warm" << 0.5;
    QTest::newRow("cart: white cart") << ":/pictures/cart.svg"
                                      << "white" << 0.1;
    QTest::newRow("copy: paper") << ":/pictures/copy.svg"
                                 << "neutral" << 0.6;
    QTest::newRow("paste: brown board") << ":/pictures/paste.svg"
                                        << "brown" << 0.25;
    QTest::newRow("paste: sheet") << ":/pictures/paste.svg"
                                  << "white" << 0.15;
    QTest::newRow("ok: green") << ":/pictures/ok.svg"
                               << "green" << 0.8;
    QTest::newRow("cancel: red") << ":/pictures/cancel.svg"
                                 << "red" << 0.6;
    QTest::newRow("ok-disabled: grey") << ":/pictures/ok-disabled.svg"
                                       << "neutral" << 0.95;
    QTest::newRow("cancel-disabled: grey") << ":/pictures/cancel-disabled.svg"
                                           << "neutral" << 0.95;
}

void PicturesTest::picturesShowTheirColours()
{
    QFETCH(QString, path);
    QFETCH(QString, family);
    QFETCH(double, least);
    const ColourShares shares = colourShares(render(path, 64));
    const QHash<QString, double> byFamily{
        {"red", shares.red},         {"warm", shares.red + shares.orange},
        {"neutral", shares.neutral}, {"white", shares.white},
        {"blue", shares.blue},       {"brown", shares.brown},
        {"green", shares.green}};
    QVERIFY2(byFamily.value(family) >= least,
             qPrintable(QStringLiteral("%1 share %2").arg(family).arg(byFamily.value(family))));
}

void PicturesTest::disabledGlyphsOutlineTheNormalOnes_data()
{
    QTest::addColumn<QString>("normal");
    QTest::addColumn<QString>("disabled");
    QTest::newRow("ok") << ":/pictures/ok.svg"
                        << ":/pictures/ok-disabled.svg";
    QTest::newRow("cancel") << ":/pictures/cancel.svg"
                            << ":/pictures/cancel-disabled.svg";
}

void PicturesTest::disabledGlyphsOutlineTheNormalOnes()
{
    QFETCH(QString, normal);
    QFETCH(QString, disabled);
    QVERIFY(silhouetteOverlap(render(normal, 36), render(disabled, 36)) > 0.85);
    // The check and the cross are different shapes, so the test above can tell them apart.
    QVERIFY(silhouetteOverlap(render(":/pictures/ok.svg", 36),
                              render(":/pictures/cancel.svg", 36)) < 0.6);
}

void PicturesTest::themeArrowsDraw()
{
    // Every picture the style sheet names must exist, or scroll bars and drop-downs lose arrows.
    const QString sheet = QString::fromUtf8(readAll(":/theme/SapphireKamri.qss"));
    QVERIFY(!sheet.isEmpty());
    QRegularExpression url(QStringLiteral("url\\(([^)]+)\\)"));
    int named = 0;
    for (const QRegularExpressionMatch &match : url.globalMatch(sheet)) {
        const QString path = match.captured(1).trimmed();
        QVERIFY2(QSvgRenderer(path).isValid(), qPrintable(path));
        QVERIFY2(colourShares(render(path, 16)).visible > 0.05, qPrintable(path));
        // The style sheet itself loads them as icons: through Qt Svg's plugins, which a
        // Windows folder must carry beside the library.
        QVERIFY2(QImageReader(path).canRead(), qPrintable(path));
        QVERIFY2(!QIcon(path).pixmap(QSize(16, 16)).isNull(), qPrintable(path));
        ++named;
    }
    QVERIFY(named >= 8); // four directions, normal and disabled
}

void PicturesTest::windowsIconHoldsEverySizeOfTheApplicationIcon()
{
    const QString path = QFINDTESTDATA("../../app/platform/windows/lumetta.ico");
    QVERIFY(!path.isEmpty());
    QImageReader reader(path, "ico");
    QCOMPARE(reader.imageCount(), 5);
    const int sides[] = {16, 24, 32, 48, 256};
    for (int i = 0; i < 5; ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage frame = reader.read().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(frame.size(), QSize(sides[i], sides[i]));
        QVERIFY(frame.hasAlphaChannel());
        QCOMPARE(qAlpha(frame.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(frame.pixel(sides[i] / 2, sides[i] / 2)), 255);
        // Made from the current application icon: regenerate it with icon_export otherwise.
        const double difference = meanDifference(frame, render(AppIcon, sides[i]));
        QVERIFY2(difference < 2.0,
                 qPrintable(QStringLiteral("%1 px differs by %2").arg(sides[i]).arg(difference)));
    }
}

void PicturesTest::windowsIconStoresSmallSizesAsBitmapsAndTheLargestAsPng()
{
    // Older Windows versions read only bitmaps up to 48 px; 256 px is expected as PNG.
    const QByteArray ico = readAll(QFINDTESTDATA("../../app/platform/windows/lumetta.ico"));
    QVERIFY(ico.size() > 6 + 5 * 16);
    QCOMPARE(littleEndian16(ico, 2), quint16(1)); // an icon, not a cursor
    QCOMPARE(littleEndian16(ico, 4), quint16(5));
    for (int i = 0; i < 5; ++i) {
        const int entry = 6 + 16 * i;
        const quint32 size = littleEndian32(ico, entry + 8);
        const quint32 offset = littleEndian32(ico, entry + 12);
        QVERIFY(offset + size <= quint32(ico.size()));
        QCOMPARE(littleEndian16(ico, entry + 6), quint16(32));
        const QByteArray data = ico.mid(int(offset), int(size));
        if (i < 4) {
            QCOMPARE(littleEndian32(data, 0), quint32(40));                 // BITMAPINFOHEADER
            QCOMPARE(littleEndian16(data, 14), quint16(32));                // 32 bits with alpha
            QCOMPARE(quint32(quint8(ico[entry])), littleEndian32(data, 4)); // the same width
        } else {
            QCOMPARE(quint8(ico[entry]), quint8(0)); // 0 stands for 256
            QVERIFY(data.startsWith("\x89PNG\r\n\x1a\n"));
        }
    }
}

void PicturesTest::windowsResourceScriptNamesFilesThatExist()
{
    const QString script = QFINDTESTDATA("../../app/platform/windows/lumetta.rc");
    QVERIFY(!script.isEmpty());
    const QString text = QString::fromUtf8(readAll(script));
    const QRegularExpression quotedFile(QStringLiteral("\"([^\"]+\\.(ico|manifest))\""));
    QStringList files;
    for (const QRegularExpressionMatch &match : quotedFile.globalMatch(text))
        files << match.captured(1);
    QCOMPARE(files.size(), 2);
    for (const QString &file : files)
        QVERIFY2(QFileInfo(QFileInfo(script).dir().filePath(file)).isFile(), qPrintable(file));
    QVERIFY(text.contains(QRegularExpression("FILEVERSION\\s+1,1,0,15\\b")));
    QVERIFY(text.contains(QRegularExpression("PRODUCTVERSION\\s+1,0,0,0\\b")));
    QVERIFY(text.contains(QRegularExpression("\"Translation\",\\s*0x409,\\s*1252")));
}

void PicturesTest::windowsManifestIsWellFormedAndAsksForTheRightSettings()
{
    // Windows refuses to start a program whose embedded manifest is not well-formed XML.
    QXmlStreamReader xml(readAll(QFINDTESTDATA("../../app/platform/windows/lumetta.manifest")));
    QSet<QString> found;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        const auto attributes = xml.attributes();
        if (name == u"assemblyIdentity" &&
            attributes.value("name") == u"Microsoft.Windows.Common-Controls" &&
            attributes.value("version") == u"6.0.0.0")
            found << "common controls 6";
        else if (name == u"requestedExecutionLevel" && attributes.value("level") == u"asInvoker")
            found << "as invoker";
        else if (name == u"dpiAwareness" && xml.readElementText().startsWith("PerMonitorV2"))
            found << "per monitor v2";
        else if (name == u"dpiAware" && xml.readElementText() == u"true/pm")
            found << "per monitor";
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(found,
             QSet<QString>({"common controls 6", "as invoker", "per monitor v2", "per monitor"}));
}

void PicturesTest::linuxDesktopEntryNamesTheApplicationIcon()
{
    const QString entry = QFINDTESTDATA("../../app/platform/linux/dalvo-lumetta.desktop");
    QVERIFY(!entry.isEmpty());
    QHash<QString, QString> keys;
    const QStringList lines = QString::fromUtf8(readAll(entry)).split('\n');
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    for (const QString &line : lines) {
        const int equals = line.indexOf('=');
        if (equals > 0)
            keys.insert(line.left(equals), line.mid(equals + 1));
    }
    QCOMPARE(keys.value("Type"), QStringLiteral("Application"));
    QCOMPARE(keys.value("Name"), QStringLiteral("Dalvo Lumetta"));
    QCOMPARE(keys.value("Exec"), QStringLiteral("lumetta"));
    QCOMPARE(keys.value("Categories"), QStringLiteral("Network;Utility;"));
    // The icon the entry names is installed from this copy: it must be the application icon.
    const QString icon = QFileInfo(entry).dir().filePath(keys.value("Icon") + ".svg");
    QVERIFY2(QFileInfo(icon).isFile(), qPrintable(icon));
    QCOMPARE(QCryptographicHash::hash(readAll(icon), QCryptographicHash::Sha256),
             QCryptographicHash::hash(readAll(AppIcon), QCryptographicHash::Sha256));
}

QTEST_MAIN(PicturesTest)
#include "PicturesTest.moc"
