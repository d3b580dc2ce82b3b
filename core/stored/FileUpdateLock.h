#pragma once

#include <QLockFile>
#include <QString>

// Serialises the read-modify-write of one file among running copies of the program, with a
// lock file beside it: "<file>.lock". A lock left behind by a copy that has ended is taken
// over. The lock is released when the object goes.
class FileUpdateLock
{
public:
    // How long a copy waits for another one to finish its update.
    static constexpr int waitMilliseconds = 10000;

    explicit FileUpdateLock(const QString &filePath);
    FileUpdateLock(const FileUpdateLock &) = delete;
    FileUpdateLock &operator=(const FileUpdateLock &) = delete;

    // False when another copy kept the lock past the wait, or when no lock file can be made
    // beside the file (a directory that is missing or not writable).
    bool isLocked() const { return m_locked; }

private:
    QLockFile m_lock;
    bool m_locked = false;
};
