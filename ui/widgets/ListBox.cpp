#include "widgets/ListBox.h"

#include <QEvent>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>

namespace {

class FixedRowHeightDelegate : public QStyledItemDelegate
{
public:
    FixedRowHeightDelegate(int height, QObject *parent)
        : QStyledItemDelegate(parent), m_height(height)
    {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_height};
    }

private:
    int m_height;
};

bool isUserInput(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

} // namespace

ListBox::ListBox(int itemHeight, QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new FixedRowHeightDelegate(itemHeight, this));
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_userInputDepth > 0)
            Q_EMIT userSelectionChanged();
    });
}

bool ListBox::event(QEvent *event)
{
    QScopedValueRollback<int> depth(m_userInputDepth,
                                    m_userInputDepth + (isUserInput(event) ? 1 : 0));
    return QListWidget::event(event);
}

bool ListBox::viewportEvent(QEvent *event)
{
    QScopedValueRollback<int> depth(m_userInputDepth,
                                    m_userInputDepth + (isUserInput(event) ? 1 : 0));
    return QListWidget::viewportEvent(event);
}
