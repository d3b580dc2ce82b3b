#include "widgets/SvgIcon.h"
#include "UiTestMain.h"

#include <QImage>
#include <QPixmap>

namespace {
const QString OkPicture = QStringLiteral(":/pictures/ok.svg");
const QString OkDisabledPicture = QStringLiteral(":/pictures/ok-disabled.svg");

int opaquePixels(const QPixmap &pixmap)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
    return count;
}
} // namespace

class SvgIconTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawsThePictureAtTheAskedSize();
    void disabledStateUsesItsOwnPictureOrAGreyedOne();
    void missingPictureGivesANullIcon();
};

void SvgIconTest::drawsThePictureAtTheAskedSize()
{
    const QIcon icon = SvgIcon(OkPicture);
    QVERIFY(!icon.isNull());
    for (int size : {16, 18, 32, 48}) {
        const QPixmap pixmap = icon.pixmap(QSize(size, size));
        QCOMPARE(pixmap.size(), QSize(size, size));
        QVERIFY(opaquePixels(pixmap) > 0);
        // Transparent around the glyph, not a filled square.
        QVERIFY(opaquePixels(pixmap) < size * size);
    }
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)));
}

void SvgIconTest::disabledStateUsesItsOwnPictureOrAGreyedOne()
{
    const QIcon twoPictures = SvgIcon(OkPicture, OkDisabledPicture);
    const QImage normal = twoPictures.pixmap(QSize(18, 18)).toImage();
    const QImage disabled = twoPictures.pixmap(QSize(18, 18), QIcon::Disabled).toImage();
    QVERIFY(normal != disabled);
    QCOMPARE(disabled, SvgIcon(OkDisabledPicture).pixmap(QSize(18, 18)).toImage());

    const QIcon onePicture = SvgIcon(OkPicture, QStringLiteral(":/pictures/none.svg"));
    const QPixmap greyed = onePicture.pixmap(QSize(18, 18), QIcon::Disabled);
    QVERIFY(opaquePixels(greyed) > 0);
    QVERIFY(greyed.toImage() != normal);
}

void SvgIconTest::missingPictureGivesANullIcon()
{
    QVERIFY(SvgIcon(QStringLiteral(":/pictures/none.svg")).isNull());
    QVERIFY(SvgIcon(QStringLiteral(":/pictures/none.svg"), OkDisabledPicture).isNull());
}

LUMETTA_UI_TEST_MAIN(SvgIconTest)
#include "SvgIconTest.moc"
