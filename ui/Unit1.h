#pragma once

#include "http/HttpClient.h"
#include "links/PartnerLink.h"
#include "links/PartnerLinkView.h"
#include "net/TlsChannel.h"
#include "widgets/BlockedPainter.h"
#include "widgets/SingleLineEdit.h"

#include <QStringList>
#include <QWidget>

class ClickablePicture;
class ImageButton;
class QComboBox;
class QCommandLinkButton;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The main window: the page address, the tracking ID, the generate button, both links with
// their copy buttons, the log, and the ways to the dialogs and the web pages.
class TForm1 : public QWidget, public PartnerLinkView
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 501;
    static constexpr int ClientHeight = 392;

    // Lays out the controls, then runs FormCreate; an error escaping FormCreate goes to the
    // general error handler and the window is made all the same.
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // PartnerLinkView
    QString trackingIdText() const override;
    QString pageUrlText() const override;
    void AddLog(const QString &line) override;
    void clearLog() override;
    void setPartnerLink(const QString &link) override;
    void setRequestUrl(const QString &url) override;
    void setRawAnswer(const QString &answer) override;
    void setShortLink(const QString &link) override;
    void setPartnerLinkToolTip(const QString &text) override;
    void processPendingEvents() override;

    // The services a generate run calls; the build's own unless a test points elsewhere.
    void setLinkServices(const LinkServices &services) { m_services = services; }
    const LinkServices &linkServices() const { return m_services; }

    // Opens the window with the process's start-up show command where the platform has one.
    void showAtStartup(int showCommand);

    void FormCreate();
    // Saves both inputs; false (after reporting the error) when a write failed.
    bool FormClose();
    void Button1Click();
    // Looks at one character typed into EdUrl; a carriage return runs the generation.
    void EdUrlKeyPress(QChar key);
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Image1Click();
    void Image2Click();
    void Image3Click();

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
    QPlainTextEdit *MemoLog;
    QLineEdit *EdGet;
    QPlainTextEdit *MemoRes;

    // Declared in this order: the client keeps a reference to the channel.
    TlsChannel IdSSLIOHandlerSocketOpenSSL1;
    HttpClient IdHTTP;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createPictureControls();
    void createLinkControls();
    void createLogControls();
    void setFocusOrder();
    void connectHandlers();
    void dockBottomControls();
    void replaceTrackingIdItems(const QStringList &items);
    void copyLink(QLineEdit *field, const QString &message);
    void generate();
    void prepareFirstRun();
    void drawLogTextOffscreen();
    static void showFromStart(QLineEdit *field, const QString &text);

    LinkServices m_services;
    BlockedPainter m_painter;
    bool m_logHasLines = false;
    bool m_shownOnce = false;
    bool m_firstRunPrepared = false;
};

extern TForm1 *Form1;
