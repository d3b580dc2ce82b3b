#include "widgets/HistoryTableModel.h"

#include "history/HistoryStore.h"
#include "links/ProductFactLines.h"
#include "widgets/PlainToolTip.h"

#include <QTimer>

HistoryTableModel::HistoryTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void HistoryTableModel::setStore(HistoryStore *store)
{
    m_store = store;
    reload();
}

void HistoryTableModel::setFilter(const QString &filter)
{
    m_filter = filter;
    reload();
}

void HistoryTableModel::reload()
{
    ++m_generation;
    beginResetModel();
    const HistoryPage page = m_store ? m_store->page(m_filter, PageSize) : HistoryPage();
    m_rows = page.entries;
    m_nextBefore = page.nextBefore;
    endResetModel();
    if (m_rows.isEmpty())
        keepLooking();
}

// A part of the history without a match adds no row, and the view then asks for no more: the
// model looks further by itself.
void HistoryTableModel::keepLooking()
{
    if (m_nextBefore == 0)
        return;
    QTimer::singleShot(0, this, [this, generation = m_generation] {
        if (generation == m_generation)
            fetchMore(QModelIndex());
    });
}

int HistoryTableModel::rowOf(qint64 id) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).id == id)
            return row;
    }
    return -1;
}

int HistoryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HistoryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const HistoryEntry &entry = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return displayed(entry, index.column());
    case Qt::ToolTipRole:
        // The long texts, whole, where the column is too narrow for them.
        if (index.column() >= Title && index.column() != Price && index.column() != Commission)
            return PlainToolTip(displayed(entry, index.column()));
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == Price || index.column() == Commission)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QString HistoryTableModel::displayed(const HistoryEntry &entry, int column) const
{
    switch (column) {
    case MadeAt:
        return entry.madeAt.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    case TrackingId:
        return entry.trackingId;
    case Title:
        return entry.title;
    case Price:
        return entry.price ? ProductFactLines::priceText(*entry.price, entry.currency) : QString();
    case Commission:
        return entry.commissionRate ? ProductFactLines::rateText(*entry.commissionRate) : QString();
    case PartnerLink:
        return entry.partnerLink;
    case ShortLink:
        return entry.shortLink;
    case Address:
        return entry.address;
    default:
        return QString();
    }
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList names = {
        QStringLiteral("Когда"),           QStringLiteral("Tracking ID"),
        QStringLiteral("Название"),        QStringLiteral("Цена"),
        QStringLiteral("Комиссия"),        QStringLiteral("Партнёрская ссылка"),
        QStringLiteral("Короткая ссылка"), QStringLiteral("Адрес")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= names.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return names.at(section);
}

bool HistoryTableModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_nextBefore != 0;
}

void HistoryTableModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent) || !m_store)
        return;
    // Pages go by ids: rows added meanwhile do not shift them.
    const HistoryPage page = m_store->page(m_filter, PageSize, m_nextBefore);
    m_nextBefore = page.nextBefore;
    if (page.entries.isEmpty()) {
        keepLooking();
        return;
    }
    beginInsertRows(QModelIndex(), int(m_rows.size()),
                    int(m_rows.size() + page.entries.size() - 1));
    m_rows += page.entries;
    endInsertRows();
}
