#pragma once

#include "links/LinkServices.h"
#include "links/PostLinks.h"
#include "runs/PostWorker.h"

#include <QList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

// "Ссылки из текста": a post's text in, every marketplace address in it made into the user's
// links off the window's thread, the text with each address replaced out (by its short link or
// its partner link: a choice kept in the settings file), and a table of what became of each
// address. A window of its own, owned by the main window, which opens it with showPost().
class PostLinksWindow : public QWidget
{
    Q_OBJECT

public:
    explicit PostLinksWindow(QWidget *owner);

    PostWorker &worker() { return m_worker; }

    QPlainTextEdit *input() const { return m_input; }
    QComboBox *trackingId() const { return m_trackingId; }
    QPushButton *replaceButton() const { return m_replace; }
    QProgressBar *progressBar() const { return m_progress; }
    QLabel *message() const { return m_message; }
    QPlainTextEdit *result() const { return m_result; }
    QPushButton *copyButton() const { return m_copy; }
    QCheckBox *shortLinksChoice() const { return m_shortLinks; }
    QTableWidget *table() const { return m_table; }
    const QList<PostRow> &rows() const { return m_rows; }

public Q_SLOTS:
    // Shows the window in front, its tracking ID list refilled and trackingId chosen.
    void showPost(const QString &trackingId);
    // Starts the conversion, or stops the one in progress.
    void replaceOrStop();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void connectWorker();
    void start();
    void showRunState(bool running);
    void showRows(const QList<PostRow> &rows);
    void showRow(qsizetype index, const PostRow &row);
    // The row's cells in the table, without the text of the result.
    void fillRow(qsizetype index, const PostRow &row);
    void showProgress(qsizetype settled, qsizetype total);
    void showResult();
    void copyResult();
    void copyCell(int row, int column);
    void showTableMenu(const QPoint &position);
    void say(const QString &line);

    PostWorker m_worker;
    QString m_runText; // the text the rows stand in
    QList<PostRow> m_rows;
    QPlainTextEdit *m_input;
    QComboBox *m_trackingId;
    QPushButton *m_replace;
    QProgressBar *m_progress;
    QLabel *m_message;
    QPlainTextEdit *m_result;
    QPushButton *m_copy;
    QCheckBox *m_shortLinks;
    QTableWidget *m_table;
};
