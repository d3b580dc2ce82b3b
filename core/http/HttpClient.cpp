#include "http/HttpClient.h"

#include "RemoteText.h"
#include "http/BodyDecoder.h"
#include "http/CookieJar.h"
#include "http/FormEncoder.h"
#include "http/HttpAnswer.h"
#include "http/RequestWriter.h"
#include "http/ResponseReader.h"
#include "http/UrlParts.h"

#include <QDateTime>

#include <algorithm>

namespace {

const QString Http11 = QStringLiteral("1.1");
const QString Http10 = QStringLiteral("1.0");
const QString FormContentType = QStringLiteral("application/x-www-form-urlencoded");
// How long the body of a redirect may take to start arriving before it is left unread.
constexpr int RedirectBodyWaitMs = 5000;
const QString BodyTooLargeLine =
    QStringLiteral("Ответ сервиса больше %1 МБ: такого ответа не бывает, он не прочитан.");

bool isHtmlType(const QString &contentType)
{
    const QString type = contentType.section(u';', 0, 0).trimmed();
    return type.compare(u"text/html", Qt::CaseInsensitive) == 0 ||
           type.compare(u"text/html-sandboxed", Qt::CaseInsensitive) == 0 ||
           type.compare(u"application/xhtml+xml", Qt::CaseInsensitive) == 0;
}

bool sameText(const QString &value, const char *expected)
{
    return value.trimmed().compare(QLatin1String(expected), Qt::CaseInsensitive) == 0;
}

} // namespace

struct HttpClient::Private
{
    explicit Private(ByteChannel &c) : channel(c) {}

    ByteChannel &channel;
    QString version = Http11;
    QString contentType;
    UrlParts url;
    HttpAnswer answer;
    std::unique_ptr<CookieJar> jar;
    qsizetype maxBodyBytes = ResponseReader::MaxBodyBytes;
    QString bodyTooLargeMessage; // empty: the reader's own

    struct Connection
    {
        bool open = false;
        QString host;
        quint16 port = 0;
        ChannelMode mode = ChannelMode::Plain;
    } connection;
    // A redirect body that did not arrive in time is still on its way.
    bool bodyLeftUnread = false;
    // The request ended on an interim (1xx) answer: its final answer, or another protocol
    // after a 101, may still come on this connection.
    bool endedOnInterimAnswer = false;

    // freshConnection: a new connection even when one to the same place is kept.
    QString perform(const QString &method, const QString &address, const QByteArray &body,
                    bool freshConnection = false);
    QByteArray formBody(const QStringList &lines);
    void chooseConnection(bool fresh);
    bool mayReuseConnection();
    void closeConnection();
    void sendRequest(const QString &method, const QByteArray &body);
    void readHeaderBlocks(ResponseReader &reader);
    QString readAnswer();
    // A Content-Length of 0 without chunking: nothing of a body is on its way.
    bool noBodyDue() const;
    [[noreturn]] void failWithStatus();
    void keepOrClose();
};

HttpClient::HttpClient(ByteChannel &channel) : d(std::make_unique<Private>(channel)) {}

HttpClient::~HttpClient()
{
    d->closeConnection();
}

void HttpClient::setMaxBodyBytes(qsizetype bytes)
{
    d->maxBodyBytes = std::clamp<qsizetype>(bytes, 0, ResponseReader::MaxBodyBytes);
    const double mebibytes = double(d->maxBodyBytes) / double(qsizetype(1) << 20);
    d->bodyTooLargeMessage = BodyTooLargeLine.arg(QString::number(mebibytes, 'g', 3));
}

const CookieJar *HttpClient::cookieJar() const
{
    return d->jar.get();
}

QString HttpClient::Get(const QString &url)
{
    return d->perform(QStringLiteral("GET"), url, QByteArray());
}

QString HttpClient::Post(const QString &url, const QStringList &lines)
{
    const QByteArray body = d->formBody(lines);
    // A form goes out as HTTP/1.0; whatever happens, later requests are HTTP/1.1 again.
    struct VersionGuard
    {
        QString &version;
        ~VersionGuard() { version = Http11; }
    } guard{d->version};
    d->version = Http10;
    return d->perform(QStringLiteral("POST"), url, body, true);
}

QString HttpClient::PostKeepAlive(const QString &url, const QStringList &lines)
{
    return d->perform(QStringLiteral("POST"), url, d->formBody(lines));
}

QByteArray HttpClient::Private::formBody(const QStringList &lines)
{
    if (contentType.isEmpty() || isHtmlType(contentType))
        contentType = FormContentType;
    return FormEncoder::encodeForm(lines).toLatin1();
}

QString HttpClient::Private::perform(const QString &method, const QString &address,
                                     const QByteArray &body, bool freshConnection)
{
    url = UrlParts::parse(address);
    channel.startRequest();
    chooseConnection(freshConnection);
    try {
        sendRequest(method, body);
        const QString text = readAnswer();
        keepOrClose();
        return text;
    } catch (const HttpStatusError &) {
        keepOrClose();
        throw;
    } catch (...) {
        // The answer stopped somewhere in the middle; nothing on this connection can be
        // trusted to start the next answer.
        closeConnection();
        throw;
    }
}

void HttpClient::Private::chooseConnection(bool fresh)
{
    const ChannelMode mode = url.isHttps() ? ChannelMode::Tls : ChannelMode::Plain;
    if (connection.open && (connection.host.compare(url.host, Qt::CaseInsensitive) != 0 ||
                            connection.port != url.port || connection.mode != mode))
        closeConnection();
    if (fresh)
        closeConnection();
    if (connection.open && mayReuseConnection())
        return;
    closeConnection();
    try {
        channel.open(url.host, url.port, mode);
    } catch (...) {
        channel.close();
        throw;
    }
    connection = {true, url.host, url.port, mode};
}

// Bytes that a server sent on a kept connection before it was asked anything would be
// taken for the next answer: such a connection is not reused.
bool HttpClient::Private::mayReuseConnection()
{
    return channel.isOpen() && !channel.waitForInput(0);
}

void HttpClient::Private::closeConnection()
{
    if (!connection.open)
        return;
    connection.open = false;
    channel.close();
}

void HttpClient::Private::sendRequest(const QString &method, const QByteArray &body)
{
    RequestHead head;
    head.method = method;
    head.target = url.requestTarget();
    head.version = version;
    head.contentType = contentType;
    if (method == u"POST")
        head.contentLength = body.size();
    head.host = url.hostHeader();
    if (jar)
        head.cookie = jar->cookieHeader(url.host, url.cookiePath(), url.isHttps(),
                                        QDateTime::currentDateTimeUtc());
    // Head and body in one write, so that they leave in as few packets as possible.
    channel.write(RequestWriter::head(head) + body);
}

void HttpClient::Private::readHeaderBlocks(ResponseReader &reader)
{
    do {
        reader.readHeaderBlock();
        if (!jar)
            jar = std::make_unique<CookieJar>();
        // In UTC: the same instant as local time, without a time-zone lookup per cookie.
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (const QString &setCookie : answer.headers(QStringLiteral("Set-Cookie")))
            jar->take(setCookie, url.host, url.cookiePath(), now);
    } while (answer.statusCode() == 100);
}

QString HttpClient::Private::readAnswer()
{
    answer = HttpAnswer();
    bodyLeftUnread = false;
    endedOnInterimAnswer = false;
    ResponseReader reader(channel, answer);
    reader.setBodyLimit(maxBodyBytes, bodyTooLargeMessage);
    readHeaderBlocks(reader);
    const int code = answer.statusCode();
    const int kind = code >= 100 && code <= 999 ? code / 100 : 0;
    if (kind == 2) {
        if (code != 204)
            reader.readBody();
        const QString text = BodyDecoder::decode(answer);
        // Nothing reads the bytes again; a large body would be held for as long as the client.
        answer.body = QByteArray();
        return text;
    }
    if (kind == 3 && code != 304) {
        if (noBodyDue() || channel.waitForInput(RedirectBodyWaitMs))
            reader.readBody();
        else
            bodyLeftUnread = true;
    } else if (kind == 1) {
        endedOnInterimAnswer = true;
    } else if (code != 304) {
        reader.readBody();
    }
    failWithStatus();
}

bool HttpClient::Private::noBodyDue() const
{
    try {
        return !answer.isChunked() && ResponseReader::contentLength(answer) == 0;
    } catch (const LumettaError &) {
        return false; // the body read reports the broken length
    }
}

void HttpClient::Private::failWithStatus()
{
    // The status line is shown in the log: no control character of the peer's may forge lines.
    throw HttpStatusError(answer.statusCode(), RemoteText::cleaned(answer.statusLine()),
                          BodyDecoder::decode(answer), answer.header(QStringLiteral("Location")));
}

void HttpClient::Private::keepOrClose()
{
    bool keep = connection.open && channel.isOpen();
    if (version == Http10)
        keep = keep && (sameText(answer.connection(), "keep-alive") ||
                        sameText(answer.proxyConnection(), "keep-alive"));
    else
        keep = keep && !sameText(answer.connection(), "close") &&
               !sameText(answer.proxyConnection(), "close");
    // After an interim answer, or a body left unread, whatever still comes would be taken for
    // the next answer.
    if (endedOnInterimAnswer || bodyLeftUnread)
        keep = false;
    if (!keep)
        closeConnection();
}
