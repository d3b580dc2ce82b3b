#pragma once

#include "links/LinkServices.h"
#include "runs/LinkWorker.h"
#include "widgets/AnchoredLayout.h"
#include "widgets/SingleLineEdit.h"

#include <QStringList>
#include <QWidget>

class ClickablePicture;
class HistoryWindow;
class PostLinksWindow;
class ImageButton;
class QComboBox;
class QCommandLinkButton;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The main window: the page address, the tracking ID, the generate button, both links with
// their copy buttons, the log, and the ways to the dialogs and the web pages. A run goes on
// off the window's thread; meanwhile the generate button reads "Стоп" and the window answers
// as ever.
class TForm1 : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 501;
    static constexpr int ClientHeight = 392;

    // Lays out the controls, then runs FormCreate; an error escaping FormCreate goes to the
    // general error handler and the window is made all the same.
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // What a run reports, shown.
    void AddLog(const QString &line);
    void clearLog();
    void setPartnerLink(const QString &link);
    void setRequestUrl(const QString &url);
    void setRawAnswer(const QString &answer);
    void setShortLink(const QString &link);
    void setPartnerLinkToolTip(const QString &text);

    // The services a generate run calls; the build's own unless a test points elsewhere.
    void setLinkServices(const LinkServices &services);
    const LinkServices &linkServices() const { return m_services; }
    // The last answer received, whole (the hidden field shows its start).
    const QString &rawAnswer() const { return m_rawAnswer; }
    // Certificates trusted besides the system's (the stand-in's own authority).
    void setExtraCaFile(const QString &pemPath);
    // The worker that runs the generate operation.
    LinkWorker &linkWorker() { return m_worker; }
    bool isGenerating() const { return m_worker.isRunning(); }

    // Opens the window with the process's start-up show command where the platform has one.
    void showAtStartup(int showCommand);

    void FormCreate();
    // Saves both inputs; false (after reporting the error) when a write failed.
    bool FormClose();
    // Starts a run, or stops the one in progress.
    void Button1Click();
    // Looks at one character typed into EdUrl; a carriage return starts a run when none is in
    // progress.
    void EdUrlKeyPress(QChar key);
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Image1Click();
    void Image2Click();
    void Image3Click();
    // The post's links window and the history, made at their first opening.
    void Button7Click();
    void Button8Click();
    PostLinksWindow *postLinksWindow();
    HistoryWindow *historyWindow();
    void refreshHistoryWindow();

    // Pictures of the image list: 0 gear, 1 copy, 2 paste.
    const QStringList Il32;

    QLabel *Label3;
    SingleLineEdit *EdUrl;
    ImageButton *Button5;
    ClickablePicture *Image1;
    ClickablePicture *Image2;
    ClickablePicture *Image3;
    QCommandLinkButton *Button1;
    QPushButton *Button4;
    QLabel *Label2;
    QComboBox *EdTrackID;
    QPushButton *Button2;
    QLabel *Label4;
    SingleLineEdit *EdLinkPartn;
    ImageButton *Button3;
    QLabel *Label1;
    SingleLineEdit *EdShortParLink;
    ImageButton *Button6;
    QPushButton *Button7;
    QPushButton *Button8;
    QPlainTextEdit *MemoLog;
    QLineEdit *EdGet;
    QPlainTextEdit *MemoRes;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createPictureControls();
    void createLinkControls();
    void createLogControls();
    void setFocusOrder();
    void anchorControls();
    void describeControls();
    void connectHandlers();
    void connectShortcuts();
    void connectWorker();
    QList<QPushButton *> buttons() const;
    void replaceTrackingIdItems(const QStringList &items);
    void copyLink(QLineEdit *field, const QString &message);
    void generate();
    void generateUnlessRunning();
    void showRunState(bool running);
    void prepareFirstRun();
    void drawLogTextOffscreen();
    static void showFromStart(QLineEdit *field, const QString &text);

    LinkServices m_services;
    LinkWorker m_worker;
    AnchoredLayout m_layout{QSize(ClientWidth, ClientHeight)};
    QString m_rawAnswer;
    QString m_extraCaFile;
    PostLinksWindow *m_postLinks = nullptr;
    HistoryWindow *m_history = nullptr;
    bool m_logHasLines = false;
    bool m_shownOnce = false;
};

extern TForm1 *Form1;
