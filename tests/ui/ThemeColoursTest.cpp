// The theme "Sapphire Kamri" as the program applies it: the style sheet parses, and the
// controls the windows use are drawn in the theme's colours in each of their states.

#include "Theme.h"
#include "widgets/CommandLinkButton.h"
#include "widgets/ImageButton.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QDialog>
#include <QFile>
#include <QHoverEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

namespace {

const QColor WindowColour(0xE2, 0xEA, 0xF1);
const QColor ButtonColour(0xC1, 0xD9, 0xE7);
const QColor ButtonActiveColour(0xFA, 0x94, 0x6B);
const QColor ButtonDisabledColour(0xD4, 0xE5, 0xEF);
const QColor SelectionColour(0xEF, 0x76, 0x44);
const QColor BorderColour(0x8D, 0xBB, 0xCC);
const QColor DisabledTextColour(0x93, 0x93, 0x93);

QStringList g_styleWarnings;

void collectStyleWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && message.contains(QLatin1String("style"), Qt::CaseInsensitive))
        g_styleWarnings << message;
}

QColor pixelAt(QWidget *widget, QPoint point)
{
    return widget->grab().toImage().pixelColor(point);
}

QColor centreOf(QWidget *widget)
{
    return pixelAt(widget, widget->rect().center());
}

// How many pixels of the widget's rendering have exactly this colour.
int pixelsOf(QWidget *widget, const QColor &colour)
{
    const QImage image = widget->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).rgb() == colour.rgb();
    return count;
}

// A shown, active dialog of the given size holding the controls under test.
class Stage : public QDialog
{
public:
    Stage()
    {
        setGeometry(100, 100, 400, 300);
        show();
        activateWindow();
    }
};

} // namespace

class ThemeColoursTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void styleSheetParsesWithoutWarnings();
    void windowsAndMessageBoxesUseTheWindowColour();
    void buttonsChangeColourWithTheirState_data();
    void buttonsChangeColourWithTheirState();
    void imageButtonDrawsItsPictureOnTheButtonFace();
    void commandLinkIsFlatUntilFocused();
    void textFieldsAndListsAreWhiteWithBlackText();
    void disabledTextIsGrey();
    void selectionIsOrangeWithWhiteText();
    void dropDownListOpensWhiteWithOrangeSelection();
    void dropDownArrowLeavesItsHoverColourAfterAPick();
    void messageBoxButtonsShowTheirCaptionOnly();
    void scrollBarHandleUsesTheButtonColours();
    void tooltipIsWhiteWithTheBorderColour();
};

void ThemeColoursTest::initTestCase()
{
    qInstallMessageHandler(collectStyleWarnings);
    QVERIFY(Theme::apply(*qApp));
    Theme::applyFont(*qApp);
}

void ThemeColoursTest::styleSheetParsesWithoutWarnings()
{
    // Qt reports a broken style sheet only when it first styles a widget, so style one of each.
    Stage stage;
    new QPushButton("OK", &stage);
    new QToolButton(&stage);
    new QLineEdit(&stage);
    new QComboBox(&stage);
    new QListWidget(&stage);
    new QPlainTextEdit(&stage);
    for (QWidget *child : stage.findChildren<QWidget *>())
        child->show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.grab();
    QVERIFY2(g_styleWarnings.isEmpty(), qPrintable(g_styleWarnings.join('\n')));
    QVERIFY(!qApp->styleSheet().isEmpty());
}

void ThemeColoursTest::windowsAndMessageBoxesUseTheWindowColour()
{
    Stage stage;
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    QCOMPARE(centreOf(&stage), WindowColour);
    QMessageBox box(QMessageBox::Critical, "Dalvo Lumetta", "Text.", QMessageBox::Ok);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(pixelAt(&box, QPoint(2, 2)), WindowColour);
}

void ThemeColoursTest::buttonsChangeColourWithTheirState_data()
{
    QTest::addColumn<bool>("toolButton");
    QTest::newRow("push button") << false;
    QTest::newRow("tool button") << true;
}

void ThemeColoursTest::buttonsChangeColourWithTheirState()
{
    QFETCH(bool, toolButton);
    Stage stage;
    auto make = [&](QPoint at) -> QAbstractButton * {
        QAbstractButton *button = toolButton
                                      ? static_cast<QAbstractButton *>(new QToolButton(&stage))
                                      : static_cast<QAbstractButton *>(new QPushButton(&stage));
        button->setGeometry(QRect(at, QSize(38, 38)));
        button->show();
        return button;
    };
    QAbstractButton *normal = make({10, 10});
    QAbstractButton *disabled = make({60, 10});
    QAbstractButton *focused = make({110, 10});
    QAbstractButton *hovered = make({160, 10});
    disabled->setEnabled(false);
    QVERIFY(QTest::qWaitForWindowActive(&stage));
    focused->setFocus();
    QVERIFY(focused->hasFocus());
    QCOMPARE(centreOf(normal), ButtonColour);
    QCOMPARE(pixelAt(normal, QPoint(0, 19)), BorderColour);
    QCOMPARE(centreOf(disabled), ButtonDisabledColour);
    QCOMPARE(centreOf(focused), ButtonActiveColour);
    QTest::mouseMove(hovered, hovered->rect().center());
    QTRY_VERIFY(hovered->underMouse());
    // A push button shows its hover once a move inside it arrives, which a real platform
    // need not deliver with the enter (Windows under Wine does not).
    QTest::mouseMove(hovered, hovered->rect().center() + QPoint(1, 1));
    QTRY_COMPARE(centreOf(hovered), ButtonActiveColour);
    QTest::mousePress(normal, Qt::LeftButton);
    QVERIFY(normal->isDown());
    QCOMPARE(centreOf(normal), ButtonActiveColour);
    QTest::mouseRelease(normal, Qt::LeftButton);
}

void ThemeColoursTest::imageButtonDrawsItsPictureOnTheButtonFace()
{
    Stage stage;
    auto *button = new ImageButton(":/pictures/copy.svg", &stage);
    auto *field = new QLineEdit(&stage);
    button->setGeometry(10, 10, 38, 38);
    field->setGeometry(60, 10, 100, 21);
    button->show();
    field->show();
    QVERIFY(QTest::qWaitForWindowActive(&stage));
    field->setFocus();
    QVERIFY(button->hasImage());
    // The face shows around the 32 x 32 picture, which covers the middle.
    QCOMPARE(pixelAt(button, QPoint(2, 19)), ButtonColour);
    QCOMPARE(pixelAt(button, QPoint(0, 19)), BorderColour);
    QVERIFY(pixelsOf(button, ButtonColour) < 38 * 38 / 2);
}

void ThemeColoursTest::commandLinkIsFlatUntilFocused()
{
    Stage stage;
    auto *button = new CommandLinkButton("Банзай", &stage);
    auto *other = new QPushButton("DONATE", &stage);
    button->setGeometry(8, 53, 313, 45);
    other->setGeometry(341, 53, 147, 45);
    button->show();
    other->show();
    QVERIFY(QTest::qWaitForWindowActive(&stage));
    other->setFocus();
    // Sampled from the whole window, since a flat button lets the window show through.
    const QPoint emptyPart = button->geometry().topRight() + QPoint(-6, button->height() / 2);
    QCOMPARE(pixelAt(&stage, emptyPart), WindowColour);

    // The caption, right of Qt's arrow, in the link colour, in type larger than the window's
    // and level with the arrow. The arrow is read without asking every image plugin (of which
    // GIF's is never needed).
    QCOMPARE(button->icon().availableSizes(), QList<QSize>{QSize(16, 16)});
#ifdef Q_OS_LINUX
    QFile maps(QStringLiteral("/proc/self/maps"));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    QVERIFY(!maps.readAll().contains("libqgif"));
#endif
    // Qt's command links put the 16 px arrow 7 px in from the left and 10 px down.
    const int arrowRight = 7 + 16;
    const int arrowMiddle = 10 + 16 / 2;
    const QImage drawn = stage.grab(button->geometry()).toImage();
    QRect caption;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = arrowRight + 1; x < drawn.width(); ++x) {
            if (drawn.pixelColor(x, y).blue() < 0xA0 && drawn.pixelColor(x, y).red() < 0x60)
                caption |= QRect(x, y, 1, 1);
        }
    }
    QVERIFY(caption.height() > QApplication::font().pixelSize());
    QVERIFY(qAbs(caption.center().y() - arrowMiddle) <= 4);

    button->setFocus();
    QCOMPARE(pixelAt(&stage, emptyPart), ButtonActiveColour);
}

void ThemeColoursTest::textFieldsAndListsAreWhiteWithBlackText()
{
    Stage stage;
    auto *edit = new QLineEdit(&stage);
    auto *log = new QPlainTextEdit(&stage);
    auto *list = new QListWidget(&stage);
    auto *dropDown = new QComboBox(&stage);
    dropDown->setEditable(true);
    const QList<QWidget *> fields{edit, log, list, dropDown};
    for (int i = 0; i < fields.size(); ++i) {
        fields[i]->setGeometry(10, 10 + 60 * i, 200, 50);
        fields[i]->show();
    }
    QVERIFY(QTest::qWaitForWindowActive(&stage));
    log->setFocus();
    for (QWidget *field : fields) {
        QCOMPARE(pixelAt(field, QPoint(4, 4)), QColor(Qt::white));
        // The field with the keyboard focus shows it with an orange border.
        QCOMPARE(pixelAt(field, QPoint(0, 25)), field->hasFocus() ? SelectionColour : BorderColour);
        QCOMPARE(field->palette().color(QPalette::Active, QPalette::Text), QColor(Qt::black));
    }
}

void ThemeColoursTest::disabledTextIsGrey()
{
    Stage stage;
    auto *edit = new QLineEdit("disabled", &stage);
    auto *button = new QPushButton("disabled", &stage);
    button->move(0, 40);
    edit->setEnabled(false);
    button->setEnabled(false);
    edit->show();
    button->show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    QCOMPARE(edit->palette().color(QPalette::Disabled, QPalette::Text), DisabledTextColour);
    QCOMPARE(button->palette().color(QPalette::Disabled, QPalette::ButtonText), DisabledTextColour);
}

void ThemeColoursTest::selectionIsOrangeWithWhiteText()
{
    Stage stage;
    auto *edit = new QLineEdit("http://example.ru/item/1.html", &stage);
    auto *list = new QListWidget(&stage);
    edit->setGeometry(10, 10, 200, 21);
    list->setGeometry(10, 40, 200, 100);
    list->addItems({"first", "second", "third"});
    edit->show();
    list->show();
    QVERIFY(QTest::qWaitForWindowActive(&stage));
    edit->setFocus();
    edit->selectAll();
    QVERIFY(pixelsOf(edit, SelectionColour) > 100);
    QCOMPARE(edit->palette().color(QPalette::Active, QPalette::HighlightedText), QColor(Qt::white));
    QCOMPARE(pixelsOf(list, SelectionColour), 0);
    list->setCurrentRow(1);
    const QRect row = list->visualItemRect(list->item(1));
    QCOMPARE(list->viewport()->grab().toImage().pixelColor(row.right() - 2, row.center().y()),
             SelectionColour);
}

void ThemeColoursTest::dropDownListOpensWhiteWithOrangeSelection()
{
    Stage stage;
    auto *dropDown = new QComboBox(&stage);
    dropDown->setEditable(true);
    dropDown->addItems({"default", "blog", "vk"});
    dropDown->setGeometry(10, 10, 218, 21);
    dropDown->show();
    QVERIFY(QTest::qWaitForWindowActive(&stage));
    dropDown->showPopup();
    QAbstractItemView *popup = dropDown->view();
    QTRY_VERIFY(popup->isVisible());
    popup->setCurrentIndex(popup->model()->index(1, 0));
    const QImage image = popup->viewport()->grab().toImage();
    const QRect selected = popup->visualRect(popup->model()->index(1, 0));
    const QRect plain = popup->visualRect(popup->model()->index(2, 0));
    QCOMPARE(image.pixelColor(selected.right() - 2, selected.center().y()), SelectionColour);
    QCOMPARE(image.pixelColor(plain.right() - 2, plain.center().y()), QColor(Qt::white));
    dropDown->hidePopup();
}

void ThemeColoursTest::dropDownArrowLeavesItsHoverColourAfterAPick()
{
    Stage stage;
    auto *dropDown = new QComboBox(&stage);
    dropDown->setEditable(true);
    dropDown->addItems({"default", "blog", "vk"});
    dropDown->setGeometry(10, 10, 218, 21);
    dropDown->show();
    QVERIFY(QTest::qWaitForWindowActive(&stage));
    const QPoint arrow(dropDown->width() - 8, dropDown->height() / 2);
    const QPoint arrowFace = arrow + QPoint(-5, -6);
    QTest::mouseMove(dropDown, arrow);
    QTRY_COMPARE(pixelAt(dropDown, arrowFace), ButtonActiveColour);

    // The open list holds the pointer, which goes on to an item below it, and the drop-down is
    // left believing the pointer is still over its arrow (as an X server leaves it).
    dropDown->showPopup();
    QAbstractItemView *list = dropDown->view();
    QTRY_VERIFY(list->isVisible());
    QCursor::setPos(stage.mapToGlobal(QPoint(-50, -50)));
    QCoreApplication::processEvents();
    dropDown->setAttribute(Qt::WA_UnderMouse, true);
    QHoverEvent stale(QEvent::HoverMove, arrow, dropDown->mapToGlobal(arrow), arrow);
    QCoreApplication::sendEvent(dropDown, &stale);
    list->setCurrentIndex(list->model()->index(2, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!list->isVisible());
    QCOMPARE(dropDown->currentText(), QStringLiteral("vk"));
    QTRY_COMPARE(pixelAt(dropDown, arrowFace), ButtonColour);
}

void ThemeColoursTest::messageBoxButtonsShowTheirCaptionOnly()
{
    QMessageBox box(QMessageBox::Critical, "Dalvo Lumetta", "Text.", QMessageBox::Ok);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QList<QPushButton *> buttons = box.findChildren<QPushButton *>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons.first()->text(), QStringLiteral("OK"));
    QVERIFY(buttons.first()->icon().isNull());
}

void ThemeColoursTest::scrollBarHandleUsesTheButtonColours()
{
    Stage stage;
    auto *log = new QPlainTextEdit(&stage);
    log->setGeometry(0, 0, 300, 138);
    for (int i = 0; i < 50; ++i)
        log->appendPlainText(QString("line %1").arg(i));
    log->show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    QScrollBar *bar = log->verticalScrollBar();
    QTRY_VERIFY(bar->isVisible());
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Vertical;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.pageStep = bar->pageStep();
    option.singleStep = bar->singleStep();
    const QRect handle = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                      QStyle::SC_ScrollBarSlider, bar);
    QVERIFY(handle.isValid());
    QCOMPARE(pixelAt(bar, handle.center()), ButtonColour);
}

void ThemeColoursTest::tooltipIsWhiteWithTheBorderColour()
{
    Stage stage;
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    QToolTip::showText(stage.mapToGlobal(QPoint(20, 20)), "Настройки программы", &stage);
    QWidget *tip = nullptr;
    QTRY_VERIFY((tip = [] {
                    for (QWidget *widget : QApplication::topLevelWidgets())
                        if (widget->inherits("QTipLabel") && widget->isVisible())
                            return widget;
                    return static_cast<QWidget *>(nullptr);
                }()) != nullptr);
    QCOMPARE(pixelAt(tip, QPoint(0, tip->height() / 2)), BorderColour);
    QCOMPARE(pixelAt(tip, QPoint(2, 2)), QColor(Qt::white));
    QToolTip::hideText();
}

QTEST_MAIN(ThemeColoursTest)
#include "ThemeColoursTest.moc"
