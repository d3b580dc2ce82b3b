#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class HistoryStore;
class HistoryTableModel;
class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// "История": every link made, newest first, filtered as the user types; either link copied,
// the product's page opened, rows deleted (after a question), the rows shown exported as CSV.
// A window of its own, owned by the main window, which opens it with showHistory() and calls
// refresh() after a run has added rows. The history is opened on the first showing, on this
// window's thread, with a store of its own.
class HistoryWindow : public QWidget
{
    Q_OBJECT

public:
    // The file "Экспорт CSV" writes to, asked of the user; empty to cancel. Tests put their
    // own in place of the file dialog.
    using ExportPathChooser = std::function<QString(QWidget *parent, const QString &suggestedPath)>;

    // databasePath: HistoryStore::defaultPath() when empty.
    explicit HistoryWindow(QWidget *owner, const QString &databasePath = QString());
    ~HistoryWindow() override;

    void setExportPathChooser(ExportPathChooser chooser);

public Q_SLOTS:
    // Opens the history at the first call, shows the window and brings it to the front.
    void showHistory();
    // Reads the rows again when the history is open; keeps the filter and the current row.
    void refresh();

Q_SIGNALS:
    // A line for the main window's log: the history was damaged and started anew, or is not
    // kept.
    void noticeRaised(const QString &line);

private:
    void createControls();
    void createActions();
    void openStore();
    void updateControls();
    void showCount();
    void copyLink(int column);
    void copyCurrentCell();
    void cellActivated(const QModelIndex &index);
    void showContextMenu(const QPoint &position);
    void openPage();
    void deleteSelected();
    void exportCsv();
    QList<qint64> selectedIds() const;
    int currentRow() const;

    QString m_databasePath;
    std::unique_ptr<HistoryStore> m_store;
    ExportPathChooser m_chooseExportPath;
    HistoryTableModel *m_model;
    QLineEdit *m_search;
    QTableView *m_table;
    QLabel *m_status;
    QPushButton *m_openPageButton;
    QPushButton *m_deleteButton;
    QPushButton *m_exportButton;
    QAction *m_copyPartnerLink;
    QAction *m_copyShortLink;
    QAction *m_openPage;
    QAction *m_delete;
};
