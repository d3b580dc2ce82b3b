#pragma once

#include "links/LinkServices.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

// lumetta-standin on ports the system picks; its output goes to a file so that it never blocks.
// Its first line holds the three addresses; after the App Key and App Secret, one line follows
// per request it received.
class BenchStandin
{
public:
    BenchStandin()
    {
        m_process.setStandardOutputFile(m_directory.filePath("standin.log"));
        m_process.start(QStringLiteral(LUMETTA_STANDIN_PROGRAM), {});
        for (int i = 0; i < 500 && m_line.count(' ') < 2; ++i) {
            QThread::msleep(10);
            m_line = lines().value(0).trimmed();
        }
    }
    ~BenchStandin()
    {
        m_process.terminate();
        m_process.waitForFinished();
    }
    LinkServices services() const
    {
        return {m_line.section(' ', 0, 0), m_line.section(' ', 1, 1), m_line.section(' ', 2, 2)};
    }
    // Every line it has written so far.
    QStringList lines() const
    {
        QFile log(m_directory.filePath("standin.log"));
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_directory;
    QProcess m_process;
    QString m_line;
};
