// Under a window manager, a run that waits long for its answer leaves the window answering the
// manager's pings; Openbox marks a window whose pings go unanswered "[Not Responding]" in its
// _NET_WM_VISIBLE_NAME and offers to end it. A thread of the test with an X connection of its
// own pings the window as the manager does and reads that name. Needs an X server (the xcb
// platform); skipped elsewhere.

#include "HeldAnswerServer.h"
#include "LoopbackServices.h"
#include "RunWaiter.h"
#include "TemporaryDataDirectory.h"
#include "UiTestMain.h"
#include "Unit1.h"
#include "stored/UnParam.h"

#include <QCommandLinkButton>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>
#include <QWindow>

#include <atomic>
#include <thread>

#if __has_include(<xcb/xcb.h>)
#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#define LUMETTA_HAVE_XCB 1
#endif

namespace {
constexpr int HeldMs = 20000;
constexpr int PingEveryMs = 500;
// The time a window manager gives a ping before it calls the window hung is a few seconds;
// an idle event loop answers within milliseconds.
constexpr int AnswerWithinMs = 1000;

struct PingFigures
{
    int sent = 0;
    int unanswered = 0;
    bool markedNotResponding = false;
    bool connected = false;
};

#ifdef LUMETTA_HAVE_XCB
xcb_atom_t atom(xcb_connection_t *x, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

class WindowManagerPinger
{
public:
    explicit WindowManagerPinger(xcb_window_t window) : m_window(window)
    {
        m_x = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_x))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data->root;
        m_protocols = atom(m_x, "WM_PROTOCOLS");
        m_ping = atom(m_x, "_NET_WM_PING");
        m_visibleName = atom(m_x, "_NET_WM_VISIBLE_NAME");
        m_utf8 = atom(m_x, "UTF8_STRING");
        // The answer goes to the root window, for the manager; Qt sends it for the root's
        // structure events, others for its substructure's.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_x, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_x);
    }
    ~WindowManagerPinger() { xcb_disconnect(m_x); }

    PingFigures pingFor(int msecs)
    {
        PingFigures figures;
        figures.connected = !xcb_connection_has_error(m_x);
        for (int elapsed = 0; figures.connected && elapsed < msecs; elapsed += PingEveryMs) {
            const uint32_t stamp = uint32_t(++figures.sent);
            sendPing(stamp);
            if (!answered(stamp))
                ++figures.unanswered;
            figures.markedNotResponding |= markedNotResponding();
            std::this_thread::sleep_for(std::chrono::milliseconds(PingEveryMs));
        }
        return figures;
    }

private:
    void sendPing(uint32_t stamp)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = m_window;
        event.type = m_protocols;
        event.data.data32[0] = m_ping;
        event.data.data32[1] = stamp;
        event.data.data32[2] = m_window;
        xcb_send_event(m_x, 0, m_window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&event));
        xcb_flush(m_x);
    }

    bool answered(uint32_t stamp)
    {
        pollfd descriptor{xcb_get_file_descriptor(m_x), POLLIN, 0};
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(AnswerWithinMs);
        while (std::chrono::steady_clock::now() < until) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_x)) {
                const auto *message = reinterpret_cast<xcb_client_message_event_t *>(event);
                const bool ours = (event->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
                                  message->type == m_protocols &&
                                  message->data.data32[0] == m_ping &&
                                  message->data.data32[1] == stamp;
                std::free(event);
                if (ours)
                    return true;
            }
            ::poll(&descriptor, 1, 20);
        }
        return false;
    }

    bool markedNotResponding()
    {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            m_x, xcb_get_property(m_x, 0, m_window, m_visibleName, m_utf8, 0, 1024), nullptr);
        bool marked = false;
        if (reply) {
            const QByteArray name(static_cast<const char *>(xcb_get_property_value(reply)),
                                  xcb_get_property_value_length(reply));
            marked = name.contains("Not Responding");
            std::free(reply);
        }
        return marked;
    }

    xcb_window_t m_window;
    xcb_connection_t *m_x = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_protocols = 0;
    xcb_atom_t m_ping = 0;
    xcb_atom_t m_visibleName = 0;
    xcb_atom_t m_utf8 = 0;
};
#endif
} // namespace

class ResponsiveWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersTheWindowManagerThroughALongWait();
};

void ResponsiveWindowTest::answersTheWindowManagerThroughALongWait()
{
#ifdef LUMETTA_HAVE_XCB
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        QSKIP("needs an X server: run with -platform xcb under a window manager");
    TemporaryDataDirectory data;
    TForm1 window;
    AppParams.api_key = QStringLiteral("12345");
    HeldAnswerServer api(LoopbackServices::answer(
        R"({"errorCode":20010000,"result":{"totalResults":1,"promotionUrls":[)"
        R"({"url":"u","promotionUrl":"https://s.click.example/e/_w"}]}})",
        "application/json"));
    LoopbackServices services({}, LoopbackServices::answer("https://ya.cc/t/waited"));
    window.setLinkServices(
        {QStringLiteral("http://127.0.0.1:%1").arg(api.port()), services.services().shortener});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    WindowManagerPinger pinger(xcb_window_t(window.windowHandle()->winId()));
    std::atomic_bool done{false};
    PingFigures figures;
    std::thread manager([&] {
        figures = pinger.pingFor(HeldMs);
        done = true;
    });
    QTest::mouseClick(window.Button1, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(done, HeldMs * 2);
    manager.join();
    QVERIFY(api.hasRequest());
    QVERIFY(window.isGenerating()); // the answer was held all along
    api.release();
    QVERIFY(waitForRunEnd(window));

    QVERIFY(figures.connected);
    QCOMPARE(figures.sent, HeldMs / PingEveryMs);
    QCOMPARE(figures.unanswered, 0);
    QVERIFY(!figures.markedNotResponding);
    QCOMPARE(window.EdShortParLink->text(), QStringLiteral("https://ya.cc/t/waited"));
    AppParams = TParametrs();
#else
    QSKIP("needs X (xcb)");
#endif
}

LUMETTA_UI_TEST_MAIN(ResponsiveWindowTest)
#include "ResponsiveWindowTest.moc"
