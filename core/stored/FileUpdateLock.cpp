#include "stored/FileUpdateLock.h"

#include <QDeadlineTimer>
#include <QThread>

FileUpdateLock::FileUpdateLock(const QString &filePath) : m_lock(filePath + QStringLiteral(".lock"))
{
    // QLockFile's own wait sleeps from 100 ms upwards; an update takes a few milliseconds, so
    // a short, even step keeps the window responsive.
    const QDeadlineTimer deadline(waitMilliseconds);
    for (;;) {
        if (m_lock.tryLock(0)) {
            m_locked = true;
            return;
        }
        if (m_lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return;
        QThread::msleep(5);
    }
}
