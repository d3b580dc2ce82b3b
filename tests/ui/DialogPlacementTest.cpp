// Where the dialogs appear: centred over the main window the first time, kept off the area
// above and left of the desktop, and afterwards where they last were.

#include "widgets/DialogPlacement.h"
#include "LumettaApplication.h"
#include "ModalDriver.h"
#include "TemporaryDataDirectory.h"
#include "UiTestMain.h"
#include "UnEditTrackingId.h"
#include "UnFmParam.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

namespace {

// Under xcb the tests run with a window manager, which frames every window; the offscreen
// platform frames none.
bool hasWindowManager()
{
    return QGuiApplication::platformName() == u"xcb";
}

QPoint desktopTopLeft()
{
    return QGuiApplication::primaryScreen()->availableVirtualGeometry().topLeft();
}

// Opens the dialog modally and returns its frame while it was open. Under a window manager the
// frame arrives a moment after the showing, and with it any last correction of the place, so
// the frame is read once `settled` holds for it (or after a few seconds, for the test to fail).
// Then, if dragTo is given, the dialog is moved there as the user would drag it.
QRect openedFrame(QDialog *dialog, const std::function<bool(const QRect &)> &settled,
                  const std::optional<QPoint> &dragTo = {})
{
    QRect shownAt(-99999, -99999, 0, 0);
    ModalDriver driver([&](QWidget *) {
        const auto framed = [dialog] {
            return !hasWindowManager() || dialog->frameGeometry() != dialog->geometry();
        };
        (void)QTest::qWaitFor([&] { return framed() && settled(dialog->frameGeometry()); });
        shownAt = dialog->frameGeometry();
        if (dragTo)
            dialog->move(*dragTo);
        dialog->reject();
    });
    dialog->exec();
    return shownAt;
}

QPoint openedAt(QDialog *dialog, const QPoint &expected, const std::optional<QPoint> &dragTo = {})
{
    return openedFrame(
               dialog, [&](const QRect &frame) { return frame.topLeft() == expected; }, dragTo)
        .topLeft();
}

std::function<bool(const QRect &)> centredOver(const QRect &owner)
{
    return [owner](const QRect &frame) {
        return frame.topLeft() ==
               DialogPlacement::centredPosition(owner, frame.size(), desktopTopLeft());
    };
}

} // namespace

class DialogPlacementTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void centresWithWholePixelHalves();
    void keepsTheTopLeftOnTheDesktop();
    void firstShowingIsCentredOverTheOwnersFrame();
    void laterShowingsOpenWhereTheDialogWasLast();
    void dialogThatWouldStartOffTheDesktopIsPushedOntoIt();

private:
    std::unique_ptr<TemporaryDataDirectory> m_data;
    std::unique_ptr<QWidget> m_owner;
};

void DialogPlacementTest::init()
{
    m_data = std::make_unique<TemporaryDataDirectory>();
    m_owner = std::make_unique<QWidget>();
    m_owner->setGeometry(desktopTopLeft().x() + 120, desktopTopLeft().y() + 90, 501, 392);
    m_owner->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_owner.get()));
    if (hasWindowManager())
        QVERIFY(
            QTest::qWaitFor([this] { return m_owner->frameGeometry() != m_owner->geometry(); }));
}

void DialogPlacementTest::cleanup()
{
    m_owner.reset();
    m_data.reset();
}

void DialogPlacementTest::centresWithWholePixelHalves()
{
    const QPoint farAway(-10000, -10000);
    QCOMPARE(DialogPlacement::centredPosition({100, 50, 501, 392}, {245, 130}, farAway),
             QPoint(100 + 128, 50 + 131));
    QCOMPARE(DialogPlacement::centredPosition({100, 50, 501, 392}, {367, 252}, farAway),
             QPoint(100 + 67, 50 + 70));
    // A dialog larger than its owner: the negative half is cut towards zero as well.
    QCOMPARE(DialogPlacement::centredPosition({500, 400, 100, 100}, {205, 151}, farAway),
             QPoint(500 - 52, 400 - 25));
}

void DialogPlacementTest::keepsTheTopLeftOnTheDesktop()
{
    const QRect owner(-300, -200, 200, 100);
    QCOMPARE(DialogPlacement::centredPosition(owner, {100, 50}, {0, 0}), QPoint(0, 0));
    QCOMPARE(DialogPlacement::centredPosition({-300, 50, 200, 100}, {100, 50}, {0, 0}),
             QPoint(0, 75));
    QCOMPARE(DialogPlacement::centredPosition({50, -300, 200, 100}, {100, 50}, {0, 0}),
             QPoint(100, 0));
    // A desktop whose top-left is not the origin (a monitor left of or above the primary one).
    QCOMPARE(DialogPlacement::centredPosition({-2000, -500, 200, 100}, {100, 50}, {-1920, -300}),
             QPoint(-1920, -300));
    QCOMPARE(DialogPlacement::centredPosition({-1800, -200, 200, 100}, {100, 50}, {-1920, -300}),
             QPoint(-1750, -175));
    // Only the top-left is kept on the desktop; nothing pushes from the right or the bottom.
    QCOMPARE(DialogPlacement::centredPosition({5000, 4000, 200, 100}, {100, 50}, {0, 0}),
             QPoint(5050, 4025));
}

void DialogPlacementTest::firstShowingIsCentredOverTheOwnersFrame()
{
    auto *editor = new TForm2(m_owner.get());
    auto *settings = new TFmParam(m_owner.get());
    const QRect owner = m_owner->frameGeometry();
    // Under a window manager the editor, with no resize grip, gets a frame of another size than
    // the owner's, and the settings dialog one of the same size.
    const QRect editorFrame = openedFrame(editor, centredOver(owner));
    QCOMPARE(editorFrame.topLeft(),
             DialogPlacement::centredPosition(owner, editorFrame.size(), desktopTopLeft()));
    const QRect settingsFrame = openedFrame(settings, centredOver(owner));
    QCOMPARE(settingsFrame.topLeft(),
             owner.topLeft() + QPoint((owner.width() - settingsFrame.width()) / 2,
                                      (owner.height() - settingsFrame.height()) / 2));
}

void DialogPlacementTest::laterShowingsOpenWhereTheDialogWasLast()
{
    auto *editor = new TForm2(m_owner.get());
    const QPoint first = openedFrame(editor, centredOver(m_owner->frameGeometry())).topLeft();
    // The main window moved: the dialog does not follow it.
    m_owner->move(m_owner->pos() + QPoint(37, 21));
    QCOMPARE(openedAt(editor, first), first);
    // The user moved the dialog: it comes back there.
    const QPoint dragged = desktopTopLeft() + QPoint(13, 17);
    QCOMPARE(openedAt(editor, first, dragged), first);
    QCOMPARE(openedAt(editor, dragged), dragged);
    QCOMPARE(openedAt(editor, dragged), dragged);
}

void DialogPlacementTest::dialogThatWouldStartOffTheDesktopIsPushedOntoIt()
{
    m_owner->setGeometry(desktopTopLeft().x() - 400, desktopTopLeft().y() - 300, 501, 392);
    auto *settings = new TFmParam(m_owner.get());
    QCOMPARE(openedAt(settings, desktopTopLeft()), desktopTopLeft());
}

int main(int argc, char **argv)
{
    return RunUiTest<DialogPlacementTest>(argc, argv, [](LumettaApplication &application) {
        application.setAttribute(Qt::AA_Use96Dpi, true);
    });
}

#include "DialogPlacementTest.moc"
