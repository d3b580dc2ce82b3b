#include "HistoryWindow.h"

#include "history/HistoryStore.h"
#include "widgets/GeneralErrorHandler.h"
#include "widgets/HistoryTableModel.h"
#include "widgets/ShellOpen.h"
#include "widgets/SingleLineEdit.h"

#include <QAction>
#include <QClipboard>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString Caption = QStringLiteral("История");

QString chooseWithDialog(QWidget *parent, const QString &suggestedPath)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Экспорт CSV"), suggestedPath,
                                        QStringLiteral("CSV (*.csv)"));
}

QString suggestedExportPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(folder).filePath(
        QStringLiteral("История ссылок %1.csv").arg(QDate::currentDate().toString(Qt::ISODate)));
}

bool isLinkColumn(int column)
{
    return column == HistoryTableModel::PartnerLink || column == HistoryTableModel::ShortLink;
}

} // namespace

HistoryWindow::HistoryWindow(QWidget *owner, const QString &databasePath)
    : QWidget(owner, Qt::Window),
      m_databasePath(databasePath.isEmpty() ? HistoryStore::defaultPath() : databasePath),
      m_chooseExportPath(chooseWithDialog), m_model(new HistoryTableModel(this))
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(Caption);
    resize(960, 520);
    createControls();
    createActions();
    updateControls();
}

HistoryWindow::~HistoryWindow()
{
    // The model reads the store: it lets go of it first.
    m_model->setStore(nullptr);
}

void HistoryWindow::setExportPathChooser(ExportPathChooser chooser)
{
    m_chooseExportPath = chooser ? std::move(chooser) : chooseWithDialog;
}

void HistoryWindow::createControls()
{
    m_search = new SingleLineEdit(this);
    m_search->setObjectName(QStringLiteral("HistorySearch"));
    m_search->setPlaceholderText(QStringLiteral("Поиск: название, адрес, Tracking ID или ссылка"));
    m_search->setAccessibleName(QStringLiteral("Поиск по истории"));
    m_search->setClearButtonEnabled(true);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("HistoryTable"));
    m_table->setAccessibleName(QStringLiteral("Ссылки в истории"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->setWordWrap(false);
    // Arrows move among the cells; Tab goes on to the buttons.
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    // Fixed heights and widths: sizing to the contents would read every row.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {130, 100, 280, 90, 80, 220, 160, 200};
    for (int column = 0; column < HistoryTableModel::ColumnCount; ++column)
        m_table->setColumnWidth(column, widths[column]);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("HistoryStatus"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_openPageButton = new QPushButton(QStringLiteral("Открыть страницу товара"), this);
    m_openPageButton->setObjectName(QStringLiteral("HistoryOpenPage"));
    m_deleteButton = new QPushButton(QStringLiteral("Удалить"), this);
    m_deleteButton->setObjectName(QStringLiteral("HistoryDelete"));
    m_deleteButton->setAccessibleName(QStringLiteral("Удалить выделенные строки"));
    m_exportButton = new QPushButton(QStringLiteral("Экспорт CSV"), this);
    m_exportButton->setObjectName(QStringLiteral("HistoryExport"));
    m_exportButton->setAccessibleName(QStringLiteral("Экспорт показанных строк в CSV"));
    for (QPushButton *button : {m_openPageButton, m_deleteButton, m_exportButton})
        button->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_openPageButton);
    buttons->addWidget(m_deleteButton);
    buttons->addWidget(m_exportButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_search);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    setTabOrder(m_search, m_table);
    setTabOrder(m_table, m_openPageButton);
    setTabOrder(m_openPageButton, m_deleteButton);
    setTabOrder(m_deleteButton, m_exportButton);
}

void HistoryWindow::createActions()
{
    const auto action = [this](const QString &text, const QKeySequence &keys) {
        auto *result = new QAction(text, m_table);
        result->setShortcut(keys);
        result->setShortcutContext(Qt::WidgetShortcut);
        m_table->addAction(result);
        return result;
    };
    m_copyPartnerLink = action(QStringLiteral("Копировать партнёрскую ссылку"), {});
    m_copyShortLink = action(QStringLiteral("Копировать короткую ссылку"), {});
    m_openPage = action(QStringLiteral("Открыть страницу товара"), {});
    m_delete = action(QStringLiteral("Удалить"), QKeySequence::Delete);
    auto *copy = action(QStringLiteral("Копировать"), QKeySequence::Copy);

    connect(m_copyPartnerLink, &QAction::triggered, this,
            [this] { copyLink(HistoryTableModel::PartnerLink); });
    connect(m_copyShortLink, &QAction::triggered, this,
            [this] { copyLink(HistoryTableModel::ShortLink); });
    connect(copy, &QAction::triggered, this, &HistoryWindow::copyCurrentCell);
    connect(m_openPage, &QAction::triggered, this, &HistoryWindow::openPage);
    connect(m_openPageButton, &QPushButton::clicked, this, &HistoryWindow::openPage);
    connect(m_delete, &QAction::triggered, this, &HistoryWindow::deleteSelected);
    connect(m_deleteButton, &QPushButton::clicked, this, &HistoryWindow::deleteSelected);
    connect(m_exportButton, &QPushButton::clicked, this, Guarded(this, &HistoryWindow::exportCsv));
    connect(m_search, &QLineEdit::textChanged, m_model, &HistoryTableModel::setFilter);
    connect(m_table, &QTableView::activated, this, &HistoryWindow::cellActivated);
    connect(m_table, &QTableView::customContextMenuRequested, this,
            &HistoryWindow::showContextMenu);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HistoryWindow::updateControls);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &HistoryWindow::updateControls);
    connect(m_model, &QAbstractItemModel::modelReset, this, &HistoryWindow::updateControls);

    // Down from the search goes to the rows; Esc closes the window.
    auto *toRows =
        new QShortcut(QKeySequence(Qt::Key_Down), m_search, nullptr, nullptr, Qt::WidgetShortcut);
    connect(toRows, &QShortcut::activated, this, [this] {
        m_table->setFocus(Qt::TabFocusReason);
        if (!m_table->currentIndex().isValid() && m_model->rowCount() > 0)
            m_table->setCurrentIndex(m_model->index(0, HistoryTableModel::Title));
    });
    auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

void HistoryWindow::showHistory()
{
    if (!m_store)
        openStore();
    show();
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    m_search->setFocus(Qt::OtherFocusReason);
}

void HistoryWindow::openStore()
{
    m_store = std::make_unique<HistoryStore>(m_databasePath);
    m_model->setStore(m_store.get());
    showCount();
    if (!m_store->notice().isEmpty())
        Q_EMIT noticeRaised(m_store->notice());
}

void HistoryWindow::refresh()
{
    if (!m_store)
        return;
    const int row = currentRow();
    const qint64 currentId = row >= 0 ? m_model->entry(row).id : 0;
    const int column = m_table->currentIndex().column();
    m_model->reload();
    if (const int again = m_model->rowOf(currentId); again >= 0)
        m_table->setCurrentIndex(m_model->index(again, column));
    showCount();
}

void HistoryWindow::updateControls()
{
    const bool current = currentRow() >= 0;
    const bool selected = m_table->selectionModel()->hasSelection();
    m_copyPartnerLink->setEnabled(current && !m_model->entry(currentRow()).partnerLink.isEmpty());
    m_copyShortLink->setEnabled(current && !m_model->entry(currentRow()).shortLink.isEmpty());
    m_openPage->setEnabled(current);
    m_openPageButton->setEnabled(current);
    m_delete->setEnabled(selected);
    m_deleteButton->setEnabled(selected);
    m_exportButton->setEnabled(m_store && m_store->isKept());
}

void HistoryWindow::showCount()
{
    m_status->setText(m_store->isKept()
                          ? QStringLiteral("Ссылок в истории: %1").arg(m_store->count())
                          : m_store->notice());
}

int HistoryWindow::currentRow() const
{
    const QModelIndex current = m_table->currentIndex();
    return current.isValid() ? current.row() : -1;
}

QList<qint64> HistoryWindow::selectedIds() const
{
    QList<qint64> ids;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        ids << m_model->entry(index.row()).id;
    return ids;
}

void HistoryWindow::copyLink(int column)
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QString text = m_model->index(row, column).data().toString();
    if (text.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(text);
    m_status->setText(QStringLiteral("Скопировано: %1").arg(text));
}

void HistoryWindow::copyCurrentCell()
{
    if (currentRow() >= 0)
        copyLink(m_table->currentIndex().column());
}

// Enter or a double click: a link is copied, any other cell opens the product's page.
void HistoryWindow::cellActivated(const QModelIndex &index)
{
    if (isLinkColumn(index.column()))
        copyLink(index.column());
    else
        openPage();
}

void HistoryWindow::showContextMenu(const QPoint &position)
{
    if (currentRow() < 0)
        return;
    QMenu menu(this);
    menu.addActions({m_copyPartnerLink, m_copyShortLink, m_openPage});
    menu.addSeparator();
    menu.addAction(m_delete);
    menu.exec(m_table->viewport()->mapToGlobal(position));
}

void HistoryWindow::openPage()
{
    const int row = currentRow();
    if (row >= 0 && !m_model->entry(row).address.isEmpty())
        ShellOpen(m_model->entry(row).address, this);
}

void HistoryWindow::deleteSelected()
{
    const QList<qint64> ids = selectedIds();
    if (ids.isEmpty() || !m_store)
        return;
    const auto answer = QMessageBox::question(
        this, Caption, QStringLiteral("Удалить из истории выделенные строки (%1)?").arg(ids.size()),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return;
    m_store->remove(ids);
    m_model->reload();
    showCount();
}

void HistoryWindow::exportCsv()
{
    if (!m_store)
        return;
    const QString path = m_chooseExportPath(this, suggestedExportPath());
    if (path.isEmpty())
        return;
    m_store->exportCsv(path, m_model->filter());
    m_status->setText(QStringLiteral("Сохранено в %1").arg(QDir::toNativeSeparators(path)));
}
