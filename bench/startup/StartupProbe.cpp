#include "StartupProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>

namespace {
// Long enough for the deferred work after the first paint (tooltips, fonts) to settle.
constexpr int IdleAfterPaintMs = 300;

long long monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

class FirstPaintWatcher : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || m_seen)
            return QObject::eventFilter(watched, event);
        m_seen = true;
        // The zero timer fires once this paint, and the flush that shows it, are done.
        QTimer::singleShot(0, [] {
            const long long shownAt = monotonicNanoseconds();
            QTimer::singleShot(IdleAfterPaintMs, [shownAt] {
                std::printf("%lld %ld\n", shownAt, residentKiB());
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        });
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};
} // namespace

void ProbeStartup(QWidget *mainWindow)
{
    mainWindow->installEventFilter(new FirstPaintWatcher(mainWindow));
}
