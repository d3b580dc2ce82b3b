#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh directory for one test, made the program's data directory for its lifetime,
// so that no test ever writes beside the real executable.
class TemporaryDataDirectory
{
public:
    TemporaryDataDirectory();
    ~TemporaryDataDirectory();

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};
