#pragma once

#include "history/HistoryEntry.h"
#include "history/HistoryPage.h"
#include "history/HistorySearch.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

// Every link the program has made, kept in an SQLite database through Qt SQL: newest first,
// filtered, deleted, exported as CSV.
//
// Threads: a Qt SQL connection may be used only by the thread that opened it. Each store opens
// a connection of its own, under a name no other store uses, and removes it when it goes; so a
// store is made, used and destroyed on one thread, and each thread that touches the history
// (the window's, a worker's) has its own store. Running copies of the program share the file:
// the journal is a write-ahead log, and a write waits up to BusyTimeoutMs for another one.
//
// The history never stops the program: opening never throws, and a store that could not open
// its database (a folder without write access, a file of a newer version) keeps nothing and
// answers every call with nothing. A file that is not a database, or fails SQLite's quick
// check, is renamed aside as "<file>.damaged-<yyyyMMdd-HHmmss>" and a new one is started.
// notice() says either in one line for the log.
class HistoryStore
{
public:
    static constexpr int BusyTimeoutMs = 5000;
    // How many ids a page() reads at most, row by row, for a filter the index cannot look up:
    // a few milliseconds' work.
    static constexpr qint64 ScanIds = 4096;
    // A filter of one or two characters is looked up through at most this many index terms
    // that start with it; one that starts more is common, and found soon row by row.
    static constexpr int MostTermsLookedUp = 64;

    // "history.sqlite" in the data directory, beside the settings file.
    static QString defaultPath();

    explicit HistoryStore(const QString &path = defaultPath());
    ~HistoryStore();
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    const QString &path() const { return m_path; }
    // False when the history is not kept: every call below then does nothing.
    bool isKept() const { return !m_connection.isEmpty(); }
    // The line for the log when opening renamed a damaged file or the history is not kept;
    // empty otherwise.
    const QString &notice() const { return m_notice; }

    // Stores the entry (its id is not looked at) and returns its new id; nothing on failure.
    std::optional<qint64> add(const HistoryEntry &entry);
    // Stores all entries in one transaction and returns their ids; empty on failure.
    QList<qint64> addAll(const QList<HistoryEntry> &entries);
    // Up to limit entries matching filter (see HistorySearch), newest first, of those with an id
    // below before (all when it is 0). A filter the search index cannot look up is matched
    // against the rows of at most ScanIds ids a call, so that no call takes long whatever the
    // history's size: its page may hold fewer entries than limit, or none, while more follow.
    HistoryPage page(const QString &filter, int limit, qint64 before = 0) const;
    qint64 count(const QString &filter = QString()) const;
    // Returns how many of the rows were deleted.
    int remove(const QList<qint64> &ids);
    // Writes the entries matching filter, newest first, to a CSV file (see HistoryCsv), replacing
    // it only once complete. Raises LumettaError when the file cannot be written.
    void exportCsv(const QString &filePath, const QString &filter = QString()) const;

private:
    QList<qint64> insert(const QList<HistoryEntry> &entries);
    // The search for filter; a page after the first reuses the first one's.
    HistorySearch searchFor(const QString &filter, bool firstPage = true) const;
    std::optional<QStringList> indexTermsStartingWith(const QString &text) const;

    QString m_path;
    QString m_connection; // empty when the history is not kept
    QString m_notice;
    mutable std::optional<std::pair<QString, HistorySearch>> m_lastSearch;
};
