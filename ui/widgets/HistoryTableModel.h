#pragma once

#include "history/HistoryEntry.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

class HistoryStore;

// The history as a table: the entries matching a filter, newest first, read a page at a time
// as the view scrolls down to them, so that a long history shows at once. A filter that is
// matched row by row goes through the history a part at a time (see HistoryStore::page), on
// later turns of the event loop, so that the user can type on meanwhile.
class HistoryTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { MadeAt, TrackingId, Title, Price, Commission, PartnerLink, ShortLink, Address };
    static constexpr int ColumnCount = Address + 1;
    static constexpr int PageSize = 100;

    explicit HistoryTableModel(QObject *parent = nullptr);

    // The store to read (none: no rows), from its first page.
    void setStore(HistoryStore *store);
    void setFilter(const QString &filter);
    const QString &filter() const { return m_filter; }
    // Reads the first page again, after rows were added or deleted.
    void reload();

    const HistoryEntry &entry(int row) const { return m_rows.at(row); }
    // The row of the entry with this id among those read, or -1.
    int rowOf(qint64 id) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    QString displayed(const HistoryEntry &entry, int column) const;
    void keepLooking();

    HistoryStore *m_store = nullptr;
    QString m_filter;
    QList<HistoryEntry> m_rows;
    qint64 m_nextBefore = 0;  // 0: no page left to read
    quint64 m_generation = 0; // of the rows read, for a look further that comes after a reload
};
