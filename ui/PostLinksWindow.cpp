#include "PostLinksWindow.h"

#include "TrimText.h"
#include "links/ProductFactLines.h"
#include "stored/UnParam.h"
#include "widgets/GeneralErrorHandler.h"
#include "widgets/PlainToolTip.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString Caption = QStringLiteral("Ссылки из текста");
const QString ReplaceText = QStringLiteral("Заменить ссылки");
const QString ReplaceHint = QStringLiteral("Сделать партнёрские и короткие ссылки (Ctrl+Enter)");
const QString StopText = QStringLiteral("Стоп");
const QString ShortLinksKey = QStringLiteral("FormPost.ShortLinks.Checked");
const QString NeedsOpenPlatform = QStringLiteral(
    "Ссылки из текста делает только AliExpress Open Platform: укажите в настройках программы её "
    "App Key (в поле API KEY) и App Secret.");
const QString NeedsTrackingId = QStringLiteral("Выберите Tracking ID.");
const QString NoAddresses = QStringLiteral("В тексте нет адресов товаров AliExpress.");

enum Column { Address, Title, Price, Commission, PartnerLink, ShortLink, Status, ColumnCount };

QStringList columnNames()
{
    return {QStringLiteral("Адрес"),    QStringLiteral("Товар"),       QStringLiteral("Цена"),
            QStringLiteral("Комиссия"), QStringLiteral("Партнёрская"), QStringLiteral("Короткая"),
            QStringLiteral("Состояние")};
}

QStringList cellsOf(const PostRow &row)
{
    return {row.address,
            row.title,
            row.price ? ProductFactLines::priceText(*row.price, row.currency) : QString(),
            row.commissionRate ? ProductFactLines::rateText(*row.commissionRate) : QString(),
            row.partnerLink,
            row.shortLink,
            row.status};
}

} // namespace

PostLinksWindow::PostLinksWindow(QWidget *owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("FormPost"));
    setWindowTitle(Caption);
    resize(900, 620);
    createControls();
    connectWorker();
    m_shortLinks->setChecked(ReadSetting(ShortLinksKey, QStringLiteral("1")) != u"0");
    connect(m_shortLinks, &QCheckBox::toggled, this, [this](bool checked) {
        showResult();
        RunHandler([checked] {
            WriteSetting(ShortLinksKey, checked ? QStringLiteral("1") : QStringLiteral("0"));
        });
    });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, &m_worker,
            &RunWorker::stop);
}

void PostLinksWindow::createControls()
{
    m_input = new QPlainTextEdit(this);
    m_input->setPlaceholderText(QStringLiteral("Вставьте сюда текст поста с адресами товаров"));
    m_input->setAccessibleName(QStringLiteral("Текст поста"));
    m_input->setTabChangesFocus(true);
    m_trackingId = new QComboBox(this);
    m_trackingId->setEditable(true);
    m_trackingId->setInsertPolicy(QComboBox::NoInsert);
    m_trackingId->setMinimumWidth(180);
    m_trackingId->setAccessibleName(QStringLiteral("Tracking ID"));
    auto *trackingLabel = new QLabel(QStringLiteral("Tracking ID:"), this);
    trackingLabel->setBuddy(m_trackingId);
    m_replace = new QPushButton(ReplaceText, this);
    m_replace->setToolTip(ReplaceHint);
    m_progress = new QProgressBar(this);
    m_progress->setFormat(QStringLiteral("%v из %m"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->setAccessibleName(QStringLiteral("Сделано ссылок"));
    m_shortLinks = new QCheckBox(QStringLiteral("Заменять короткими ссылками"), this);
    m_shortLinks->setToolTip(QStringLiteral("Иначе адреса заменяются партнёрскими ссылками"));
    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    m_result = new QPlainTextEdit(this);
    m_result->setReadOnly(true);
    m_result->setAccessibleName(QStringLiteral("Текст со ссылками"));
    m_result->setTabChangesFocus(true);
    m_copy = new QPushButton(QStringLiteral("Копировать текст"), this);
    m_copy->setAccessibleName(QStringLiteral("Копировать текст со ссылками"));
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setHorizontalHeaderLabels(columnNames());
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setAccessibleName(QStringLiteral("Адреса из текста"));

    auto *controls = new QHBoxLayout;
    controls->addWidget(trackingLabel);
    controls->addWidget(m_trackingId);
    controls->addWidget(m_replace);
    controls->addWidget(m_progress, 1);
    auto *resultControls = new QHBoxLayout;
    resultControls->addWidget(m_shortLinks);
    resultControls->addStretch(1);
    resultControls->addWidget(m_copy);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_input, 2);
    layout->addLayout(controls);
    layout->addWidget(m_message);
    layout->addWidget(m_result, 2);
    layout->addLayout(resultControls);
    layout->addWidget(m_table, 3);

    connect(m_replace, &QPushButton::clicked, this, Guarded(this, &PostLinksWindow::replaceOrStop));
    for (const auto keys : {Qt::CTRL | Qt::Key_Return, Qt::CTRL | Qt::Key_Enter})
        connect(new QShortcut(QKeySequence(keys), this), &QShortcut::activated, this, [this] {
            if (!m_worker.isRunning())
                RunHandler([this] { start(); });
        });
    connect(m_copy, &QPushButton::clicked, this, &PostLinksWindow::copyResult);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &PostLinksWindow::copyCell);
    connect(m_table, &QWidget::customContextMenuRequested, this, &PostLinksWindow::showTableMenu);
}

void PostLinksWindow::connectWorker()
{
    connect(&m_worker, &PostWorker::rowsFound, this, &PostLinksWindow::showRows);
    connect(&m_worker, &PostWorker::rowChanged, this, &PostLinksWindow::showRow);
    connect(&m_worker, &PostWorker::progress, this, &PostLinksWindow::showProgress);
    connect(&m_worker, &RunWorker::lineLogged, this, &PostLinksWindow::say);
    connect(&m_worker, &RunWorker::finished, this, [this] { showRunState(false); });
}

void PostLinksWindow::showPost(const QString &trackingId)
{
    if (!m_worker.isRunning()) {
        m_trackingId->clear();
        m_trackingId->addItems(TrackingIds.items);
        m_trackingId->setCurrentIndex(-1);
        m_trackingId->setEditText(trackingId);
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    m_input->setFocus();
}

void PostLinksWindow::replaceOrStop()
{
    if (m_worker.isRunning())
        m_worker.stop();
    else
        start();
}

void PostLinksWindow::start()
{
    m_message->clear();
    if (TrimText(AppParams.api_key).isEmpty() || TrimText(AppParams.app_secret).isEmpty())
        return say(NeedsOpenPlatform);
    if (TrimText(m_trackingId->currentText()).isEmpty())
        return say(NeedsTrackingId);
    showRows({});
    // Taken now: what is edited during the run is for the next one.
    m_runText = m_input->toPlainText();
    if (m_worker.start({AppParams, m_trackingId->currentText(), m_runText}))
        showRunState(true);
}

void PostLinksWindow::showRunState(bool running)
{
    m_replace->setText(running ? StopText : ReplaceText);
    m_replace->setToolTip(running ? QStringLiteral("Остановить (Esc)") : ReplaceHint);
    if (!running && m_rows.isEmpty() && m_message->text().isEmpty() &&
        !m_input->toPlainText().trimmed().isEmpty())
        say(NoAddresses);
}

void PostLinksWindow::showRows(const QList<PostRow> &rows)
{
    m_rows = rows;
    m_table->setRowCount(int(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i)
        fillRow(i, rows.at(i));
    showProgress(0, rows.size());
    showResult();
}

void PostLinksWindow::showRow(qsizetype index, const PostRow &row)
{
    if (index < 0 || index >= m_rows.size())
        return;
    m_rows[index] = row;
    fillRow(index, row);
    showResult();
}

void PostLinksWindow::fillRow(qsizetype index, const PostRow &row)
{
    const QStringList cells = cellsOf(row);
    for (int column = 0; column < ColumnCount; ++column) {
        auto *item = new QTableWidgetItem(cells.at(column));
        item->setToolTip(PlainToolTip(cells.at(column)));
        m_table->setItem(int(index), column, item);
    }
}

void PostLinksWindow::showProgress(qsizetype settled, qsizetype total)
{
    m_progress->setRange(0, int(std::max<qsizetype>(total, 1)));
    m_progress->setValue(int(settled));
}

void PostLinksWindow::showResult()
{
    m_result->setPlainText(m_rows.isEmpty()
                               ? QString()
                               : PostLinks::replaced(m_runText, m_rows, m_shortLinks->isChecked()));
}

void PostLinksWindow::copyResult()
{
    if (!m_result->toPlainText().isEmpty())
        QGuiApplication::clipboard()->setText(m_result->toPlainText());
}

void PostLinksWindow::copyCell(int row, int column)
{
    const QTableWidgetItem *item = m_table->item(row, column);
    if (item && !item->text().isEmpty())
        QGuiApplication::clipboard()->setText(item->text());
}

void PostLinksWindow::showTableMenu(const QPoint &position)
{
    const int row = m_table->rowAt(position.y());
    if (row < 0)
        return;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Копировать партнёрскую ссылку"), this,
                   [this, row] { copyCell(row, PartnerLink); });
    menu.addAction(QStringLiteral("Копировать короткую ссылку"), this,
                   [this, row] { copyCell(row, ShortLink); });
    menu.exec(m_table->viewport()->mapToGlobal(position));
}

void PostLinksWindow::say(const QString &line)
{
    const QString shown = m_message->text();
    m_message->setText(shown.isEmpty() ? line : shown + u'\n' + line);
}

void PostLinksWindow::closeEvent(QCloseEvent *event)
{
    m_worker.stop();
    QWidget::closeEvent(event);
}
