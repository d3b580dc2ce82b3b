#pragma once

#include <QString>

// Opening the history database for the calling thread, once per store: a Qt SQL connection of
// its own name, the database's quick check (once per file and process: it reads the whole
// file), the write-ahead log, the busy time-out and the schema's upgrade. A damaged file is
// renamed aside and a new one started; the history is not kept when the file cannot be
// written or is of a newer version. Nothing here throws.
struct HistoryConnection
{
    QString name;   // the opened connection's name; empty when the history is not kept
    QString notice; // the line for the log, if any

    static HistoryConnection open(const QString &path, int busyTimeoutMs);
    // Closes and removes a connection that open() made; to be called on the thread that made it,
    // once no query of it is left.
    static void close(const QString &name);
};
