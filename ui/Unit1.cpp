#include "Unit1.h"

#include "HistoryWindow.h"
#include "PostLinksWindow.h"
#include "TrimText.h"
#include "UnEditTrackingId.h"
#include "UnFmParam.h"
#include "links/WebPages.h"
#include "stored/UnParam.h"
#include "widgets/AnchoredLayout.h"
#include "widgets/ClickablePicture.h"
#include "widgets/CommandLinkButton.h"
#include "widgets/FirstInputWatcher.h"
#include "widgets/GeneralErrorHandler.h"
#include "widgets/ImageButton.h"
#include "widgets/PlacedControl.h"
#include "widgets/PlainToolTip.h"
#include "widgets/ShellOpen.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QCompleter>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCursor>
#include <QTimer>

TForm1 *Form1 = nullptr;

namespace {
const QString TrackingIdKey = QStringLiteral("Form1.EdTrackID.Text");
const QString PageUrlKey = QStringLiteral("Form1.EdUrl.Text");
const QString GeometryKey = QStringLiteral("Form1.Geometry");

constexpr int LogHeight = 138;
constexpr int RequestUrlHeight = 21;

// A line of the log holds at most this much: wrapping a longer run without a break costs the
// window more than anyone reads (the whole answer stays in the raw-answer outlet).
constexpr qsizetype MaxLogLineLength = 2000;
// The part of the raw answer the hidden field holds as a document.
constexpr qsizetype RawAnswerShown = 64 * 1024;

// Each line of the entry cut to MaxLogLineLength characters, "…" marking a cut.
QString cutLines(const QString &entry)
{
    QStringList lines = entry.split(u'\n');
    for (QString &line : lines) {
        if (line.size() > MaxLogLineLength)
            line = line.left(MaxLogLineLength - 1) + u'…';
    }
    return lines.join(u'\n');
}

const QString GenerateText = QStringLiteral("Банзай");
const QString GenerateHint = QStringLiteral("Получить партнёрскую ссылку (Ctrl+Enter)");
const QString StopText = QStringLiteral("Стоп");
const QString StopHint = QStringLiteral("Остановить (Esc)");
} // namespace

TForm1::TForm1(QWidget *parent)
    : QWidget(parent), Il32{QStringLiteral(":/pictures/gear.svg"),
                            QStringLiteral(":/pictures/copy.svg"),
                            QStringLiteral(":/pictures/paste.svg")},
      m_services(LinkServices::fromBuild())
{
    // Handlers and AddLog reach the window through the global, FormCreate included.
    Form1 = this;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Dalvo Lumetta v1.2.0"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    // The designed size is the least: the window grows, the log taking the height and the
    // fields the width.
    setMinimumSize(ClientWidth, ClientHeight);
    resize(ClientWidth, ClientHeight);

    createControls();
    anchorControls();
    describeControls();
    setFocusOrder();
    connectHandlers();
    connectShortcuts();
    connectWorker();
    new FirstInputWatcher([this] { prepareFirstRun(); }, this);
    try {
        FormCreate();
    } catch (const std::exception &error) {
        ShowException(error);
    }
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::createControls()
{
    Label3 = label(this, "Label3", QStringLiteral("Адрес страницы на AliExpress"), 8, 8, 150, 13);
    EdUrl = place(new SingleLineEdit(this), "EdUrl", 8, 26, 265, 21);
    EdUrl->setToolTip(
        QStringLiteral("Вставьте сюда ссылку на которую хотите получить партнёрскую."));
    EdUrl->installEventFilter(this);
    Button5 = place(new ImageButton(Il32.at(2), this), "Button5", 279, 8, 38, 38);
    Button5->setToolTip(QStringLiteral("Вставить из буфера обмена"));
    createPictureControls();

    Button1 = place(new CommandLinkButton(GenerateText, this), "Button1", 8, 53, 313, 45);
    Button1->setToolTip(GenerateHint);
    Button1->setCursor(Qt::PointingHandCursor);
    Button4 = place(new QPushButton(QStringLiteral("DONATE"), this), "Button4", 341, 53, 147, 45);
    Button4->setToolTip(QStringLiteral("Поддержи разработку!  "));

    Label2 = label(this, "Label2", QStringLiteral("Tracking ID:"), 8, 112, 58, 13);
    EdTrackID = place(new QComboBox(this), "EdTrackID", 103, 104, 218, 21);
    EdTrackID->setEditable(true);
    EdTrackID->setLineEdit(new SingleLineEdit(EdTrackID));
    // Items follow the stored list: Enter must not add the typed text to them.
    EdTrackID->setInsertPolicy(QComboBox::NoInsert);
    EdTrackID->completer()->setCaseSensitivity(Qt::CaseSensitive);
    EdTrackID->completer()->setCompletionMode(QCompleter::InlineCompletion);
    Button2 =
        place(new QPushButton(QStringLiteral("Редактировать"), this), "Button2", 341, 104, 95, 21);
    Button2->setToolTip(QStringLiteral("Редактировать список Tracking ID (Ctrl+T)"));

    createLinkControls();
    createLogControls();
}

void TForm1::createPictureControls()
{
    Image1 = place(new ClickablePicture(Il32.at(0), this), "Image1", 357, 8, 34, 34);
    Image1->setToolTip(QStringLiteral("Настройки программы (Ctrl+,)"));
    Image1->setCursor(Qt::PointingHandCursor);
    Image2 = place(new ClickablePicture(QStringLiteral(":/pictures/globe.svg"), this), "Image2",
                   402, 8, 34, 34);
    Image2->setToolTip(QStringLiteral("Справка в интернете."));
    Image2->setCursor(Qt::WhatsThisCursor);
    Image3 = place(new ClickablePicture(QStringLiteral(":/pictures/cart.svg"), this), "Image3", 454,
                   8, 34, 34);
    Image3->setToolTip(QStringLiteral("На партрнёрку AliExpress"));
    Image3->setCursor(Qt::PointingHandCursor);
}

void TForm1::createLinkControls()
{
    Label4 = label(this, "Label4", QStringLiteral("Ссылка партнёра"), 8, 161, 89, 13);
    EdLinkPartn = place(new SingleLineEdit(this), "EdLinkPartn", 103, 158, 234, 21);
    Button3 = place(new ImageButton(Il32.at(1), this), "Button3", 357, 150, 38, 38);
    Button3->setToolTip(QStringLiteral("Копировать в буфер обмена партнёрскую ссылку"));

    Label1 = label(this, "Label1", QStringLiteral("Короткая ссылка"), 8, 209, 88, 13);
    EdShortParLink = place(new SingleLineEdit(this), "EdShortParLink", 102, 206, 235, 21);
    Button6 = place(new ImageButton(Il32.at(1), this), "Button6", 357, 194, 38, 38);
    Button6->setToolTip(QStringLiteral("Копировать в буфер обмена Короткую партнёрскую ссылку"));

    Button7 =
        place(new QPushButton(QStringLiteral("Из текста"), this), "Button7", 405, 156, 83, 25);
    Button7->setToolTip(QStringLiteral("Ссылки из текста поста (Ctrl+L)"));
    Button8 = place(new QPushButton(QStringLiteral("История"), this), "Button8", 405, 200, 83, 25);
    Button8->setToolTip(QStringLiteral("История ссылок (Ctrl+H)"));
}

void TForm1::createLogControls()
{
    MemoLog = place(new QPlainTextEdit(this), "MemoLog", 0, ClientHeight - LogHeight, ClientWidth,
                    LogHeight);
    MemoLog->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // An address or a remote text without a break wraps anywhere rather than running on.
    MemoLog->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    MemoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoLog->setTabChangesFocus(true);
    MemoLog->installEventFilter(this);

    // The two outlets nobody reads back: they only keep the last request and answer.
    EdGet = place(new QLineEdit(this), "EdGet", 0, ClientHeight - RequestUrlHeight, ClientWidth,
                  RequestUrlHeight);
    EdGet->hide();
    MemoRes = place(new QPlainTextEdit(this), "MemoRes", 310, 8, 41, 40);
    MemoRes->hide();
}

void TForm1::anchorControls()
{
    using H = AnchoredLayout::Horizontal;
    for (QWidget *fixed : std::initializer_list<QWidget *>{Label3, Label2, Label4, Label1})
        m_layout.add(fixed, H::Keep);
    for (QWidget *wide : std::initializer_list<QWidget *>{EdUrl, Button1, EdTrackID, EdLinkPartn,
                                                          EdShortParLink, EdGet})
        m_layout.add(wide, H::StretchToRight);
    for (QWidget *right : std::initializer_list<QWidget *>{
             Button5, Image1, Image2, Image3, Button4, Button2, Button3, Button6, Button7, Button8})
        m_layout.add(right, H::MoveWithRight);
    m_layout.add(MemoLog, H::StretchToRight, AnchoredLayout::Vertical::StretchToBottom);
}

void TForm1::describeControls()
{
    // Screen readers name each control; a label is its field's.
    const QList<std::pair<QWidget *, QString>> names{
        {EdUrl, QStringLiteral("Адрес страницы на AliExpress")},
        {Button5, QStringLiteral("Вставить адрес из буфера обмена")},
        {Image1, QStringLiteral("Настройки программы")},
        {Image2, QStringLiteral("Справка в интернете")},
        {Image3, QStringLiteral("Партнёрская программа AliExpress")},
        {Button1, GenerateText},
        {Button4, QStringLiteral("Поддержать разработку")},
        {EdTrackID, QStringLiteral("Tracking ID")},
        {Button2, QStringLiteral("Редактировать список Tracking ID")},
        {EdLinkPartn, QStringLiteral("Ссылка партнёра")},
        {Button3, QStringLiteral("Копировать партнёрскую ссылку")},
        {EdShortParLink, QStringLiteral("Короткая ссылка")},
        {Button6, QStringLiteral("Копировать короткую ссылку")},
        {Button7, QStringLiteral("Ссылки из текста")},
        {Button8, QStringLiteral("История ссылок")},
        {MemoLog, QStringLiteral("Журнал")},
    };
    for (const auto &[control, name] : names)
        control->setAccessibleName(name);
    Label3->setBuddy(EdUrl);
    Label2->setBuddy(EdTrackID);
    Label4->setBuddy(EdLinkPartn);
    Label1->setBuddy(EdShortParLink);
}

void TForm1::setFocusOrder()
{
    const QList<QWidget *> order{EdUrl,   Button1, MemoLog, EdLinkPartn,    EdTrackID, Button2,
                                 Button3, Button4, Button5, EdShortParLink, Button6,   Button7,
                                 Button8, Image1,  Image2,  Image3};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order.at(i), order.at(i + 1));
    for (QPushButton *button : buttons()) {
        // Enter in a field triggers no button of this window; a focused button takes it.
        button->setAutoDefault(false);
        button->setDefault(false);
        button->installEventFilter(this);
    }
}

QList<QPushButton *> TForm1::buttons() const
{
    return {Button1, Button2, Button3, Button4, Button5, Button6, Button7, Button8};
}

void TForm1::connectHandlers()
{
    connect(Button1, &QPushButton::clicked, this, Guarded(this, &TForm1::Button1Click));
    connect(Button2, &QPushButton::clicked, this, Guarded(this, &TForm1::Button2Click));
    connect(Button3, &QPushButton::clicked, this, Guarded(this, &TForm1::Button3Click));
    connect(Button4, &QPushButton::clicked, this, Guarded(this, &TForm1::Button4Click));
    connect(Button5, &QPushButton::clicked, this, Guarded(this, &TForm1::Button5Click));
    connect(Button6, &QPushButton::clicked, this, Guarded(this, &TForm1::Button6Click));
    connect(Image1, &ClickablePicture::clicked, this, Guarded(this, &TForm1::Image1Click));
    connect(Image2, &ClickablePicture::clicked, this, Guarded(this, &TForm1::Image2Click));
    connect(Image3, &ClickablePicture::clicked, this, Guarded(this, &TForm1::Image3Click));
    connect(Button7, &QPushButton::clicked, this, Guarded(this, &TForm1::Button7Click));
    connect(Button8, &QPushButton::clicked, this, Guarded(this, &TForm1::Button8Click));
}

void TForm1::connectShortcuts()
{
    const auto shortcut = [this](QKeySequence keys, auto handler) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, handler);
    };
    shortcut(QKeySequence(Qt::Key_Escape), [this] { m_worker.stop(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Return),
             Guarded(this, &TForm1::generateUnlessRunning));
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), Guarded(this, &TForm1::generateUnlessRunning));
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), Guarded(this, &TForm1::Image1Click));
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_T), Guarded(this, &TForm1::Button2Click));
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_L), Guarded(this, &TForm1::Button7Click));
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_H), Guarded(this, &TForm1::Button8Click));
}

void TForm1::connectWorker()
{
    connect(&m_worker, &LinkWorker::logCleared, this, &TForm1::clearLog);
    connect(&m_worker, &LinkWorker::lineLogged, this, &TForm1::AddLog);
    connect(&m_worker, &LinkWorker::partnerLinkChanged, this, &TForm1::setPartnerLink);
    connect(&m_worker, &LinkWorker::shortLinkChanged, this, &TForm1::setShortLink);
    connect(&m_worker, &LinkWorker::requestUrlChanged, this, &TForm1::setRequestUrl);
    connect(&m_worker, &LinkWorker::rawAnswerChanged, this, &TForm1::setRawAnswer);
    connect(&m_worker, &LinkWorker::partnerLinkToolTipChanged, this,
            &TForm1::setPartnerLinkToolTip);
    connect(&m_worker, &LinkWorker::finished, this, [this] { showRunState(false); });
    connect(&m_worker, &RunWorker::historyChanged, this, &TForm1::refreshHistoryWindow);
}

void TForm1::setLinkServices(const LinkServices &services)
{
    m_services = services;
    m_worker.setServices(services);
    if (m_postLinks)
        m_postLinks->worker().setServices(services);
}

void TForm1::setExtraCaFile(const QString &pemPath)
{
    m_extraCaFile = pemPath;
    m_worker.setExtraCaFile(pemPath);
    if (m_postLinks)
        m_postLinks->worker().setExtraCaFile(pemPath);
}

void TForm1::FormCreate()
{
    TrackingIds = TrackingIdList();
    LoadTrackingIds();
    replaceTrackingIdItems(TrackingIds.items);
    LoadApiKey();
    EdTrackID->setEditText(ReadSetting(TrackingIdKey, QString()));
    EdUrl->setText(ReadSetting(PageUrlKey, WebPages::defaultPageAddress()));
    restoreGeometry(QByteArray::fromBase64(ReadSetting(GeometryKey, QString()).toLatin1()));
}

bool TForm1::FormClose()
{
    try {
        WriteSetting(TrackingIdKey, EdTrackID->currentText());
        WriteSetting(PageUrlKey, EdUrl->text());
        WriteSetting(GeometryKey, QString::fromLatin1(saveGeometry().toBase64()));
    } catch (const std::exception &error) {
        ShowException(error);
        return false;
    }
    return true;
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // The run's answer would come to a window that is no longer there.
    m_worker.stop();
    // A failed save keeps the window open, so that the user can try again.
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // Typing or pasting right away replaces the address.
    EdUrl->setFocus(Qt::OtherFocusReason);
    EdUrl->selectAll();
}

void TForm1::prepareFirstRun()
{
    // What the first generate run would otherwise do first, at a cost the later ones do not
    // pay: loading OpenSSL and reading the trust store, setting up the name resolver, and
    // loading the time-zone data for the cookies' dates, on the worker's thread. Started at
    // the user's first input: a window only looked at costs no memory for it.
    m_worker.prepare();
    // Here, on the window's thread: the log's font shapes and draws its characters once before
    // they are cached.
    drawLogTextOffscreen();
}

void TForm1::drawLogTextOffscreen()
{
    // The fixed parts of the log's lines and the characters of addresses and numbers.
    QString sample = QStringLiteral("Статус ответа: Не корректный статус ответа от API, нужен "
                                    "Всего данных (ali): (факт): Для ссылки: Партнёрская: "
                                    "Короткая партнёрская от Яндекса: ");
    for (char16_t c = u' '; c < u'\x7f'; ++c)
        sample += QChar(c);
    QImage image(MemoLog->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(MemoLog->font());
    painter.drawText(image.rect(), Qt::TextWordWrap, sample);
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_layout.apply(size());
}

void TForm1::showAtStartup(int showCommand)
{
    constexpr int ShowMaximized = 3;
    constexpr int ShowMinNoActive = 7;
    if (showCommand == ShowMaximized) {
        showMaximized();
    } else if (showCommand == ShowMinNoActive) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        showMinimized();
    } else {
        show();
    }
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *keyEvent = static_cast<QKeyEvent *>(event);
        const bool enter = keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter;
        auto *button = qobject_cast<QPushButton *>(watched);
        if (watched == EdUrl && enter) {
            RunHandler([this] { EdUrlKeyPress(QChar(u'\r')); });
        } else if (watched == MemoLog && enter) {
            return true; // the log takes no line breaks from the keyboard
        } else if (button && enter && keyEvent->modifiers() == Qt::NoModifier) {
            button->click(); // as Space does, on the key's press
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::AddLog(const QString &line)
{
    QString text = line;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    text = cutLines(text);
    QTextCursor cursor(MemoLog->document());
    cursor.movePosition(QTextCursor::End);
    // The first line after emptying goes into the empty first block, so that an empty line
    // logged first still counts as a line of its own.
    if (m_logHasLines || !MemoLog->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
    m_logHasLines = true;
    MemoLog->setTextCursor(cursor);
    MemoLog->ensureCursorVisible();
}

void TForm1::clearLog()
{
    MemoLog->clear();
    m_logHasLines = false;
}

void TForm1::setPartnerLink(const QString &link)
{
    showFromStart(EdLinkPartn, link);
}

void TForm1::setPartnerLinkToolTip(const QString &text)
{
    // A seller writes the title.
    EdLinkPartn->setToolTip(PlainToolTip(text));
}

void TForm1::setRequestUrl(const QString &url)
{
    EdGet->setText(url);
}

void TForm1::setRawAnswer(const QString &answer)
{
    m_rawAnswer = answer;
    MemoRes->setPlainText(answer.left(RawAnswerShown));
}

void TForm1::setShortLink(const QString &link)
{
    showFromStart(EdShortParLink, link);
}

void TForm1::showFromStart(QLineEdit *field, const QString &text)
{
    field->setText(text);
    // setText() leaves the cursor at the end, which scrolls a long link to its tail.
    field->setCursorPosition(0);
}

void TForm1::Button1Click()
{
    if (m_worker.isRunning())
        m_worker.stop();
    else
        generate();
}

void TForm1::EdUrlKeyPress(QChar key)
{
    // The character is not consumed: the field still gets it afterwards.
    if (key == u'\r')
        generateUnlessRunning();
}

void TForm1::generateUnlessRunning()
{
    if (!m_worker.isRunning())
        generate();
}

void TForm1::generate()
{
    // Taken now: what is edited during the run is for the next one.
    if (m_worker.start({AppParams, EdTrackID->currentText(), EdUrl->text()}))
        showRunState(true);
}

void TForm1::showRunState(bool running)
{
    Button1->setText(running ? StopText : GenerateText);
    Button1->setToolTip(running ? StopHint : GenerateHint);
}

void TForm1::Button2Click()
{
    Form2->ensureContents();
    Form2->ListBox1->clear();
    Form2->ListBox1->addItems(TrackingIds.items);
    Form2->ListBox1->setCurrentRow(-1);
    Form2->exec();
    replaceTrackingIdItems(TrackingIds.items);
}

void TForm1::replaceTrackingIdItems(const QStringList &items)
{
    // Replacing the items never changes the text part.
    const QString text = EdTrackID->currentText();
    EdTrackID->clear();
    EdTrackID->addItems(items);
    EdTrackID->setCurrentIndex(-1);
    EdTrackID->setEditText(text);
}

void TForm1::copyLink(QLineEdit *field, const QString &message)
{
    if (TrimText(field->text()).isEmpty())
        return;
    field->selectAll();
    field->copy();
    AddLog(message);
}

void TForm1::Button3Click()
{
    copyLink(EdLinkPartn, QStringLiteral("Партнёрская ссылка скопирована в буфер обмена."));
}

void TForm1::Button6Click()
{
    copyLink(EdShortParLink,
             QStringLiteral("Короткая партнёрская ссылка скопирована в буфер обмена."));
}

void TForm1::Button5Click()
{
    EdUrl->selectAll();
    // With no text on the clipboard the field keeps its text (a paste of nothing would
    // delete the selection).
    if (!SingleLineEdit::firstLine(QGuiApplication::clipboard()->text()).isEmpty())
        EdUrl->pasteFirstLine();
}

void TForm1::Button4Click()
{
    ShellOpen(WebPages::donate(), this);
}

void TForm1::Image1Click()
{
    if (FmParam->exec() == 1)
        StoreApiKey();
}

void TForm1::Image2Click()
{
    ShellOpen(WebPages::help(), this);
}

void TForm1::Image3Click()
{
    ShellOpen(WebPages::portalHome(), this);
}

void TForm1::Button7Click()
{
    postLinksWindow()->showPost(EdTrackID->currentText());
}

void TForm1::Button8Click()
{
    historyWindow()->showHistory();
}

PostLinksWindow *TForm1::postLinksWindow()
{
    if (!m_postLinks) {
        m_postLinks = new PostLinksWindow(this);
        m_postLinks->worker().setServices(m_services);
        if (!m_extraCaFile.isEmpty())
            m_postLinks->worker().setExtraCaFile(m_extraCaFile);
        connect(&m_postLinks->worker(), &RunWorker::historyChanged, this,
                &TForm1::refreshHistoryWindow);
    }
    return m_postLinks;
}

void TForm1::refreshHistoryWindow()
{
    // A window never opened reads the history when it opens.
    if (m_history)
        m_history->refresh();
}

HistoryWindow *TForm1::historyWindow()
{
    if (!m_history) {
        m_history = new HistoryWindow(this);
        connect(m_history, &HistoryWindow::noticeRaised, this, &TForm1::AddLog);
    }
    return m_history;
}
