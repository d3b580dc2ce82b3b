#include "net/TlsChannel.h"

#include "LumettaError.h"
#include "net/InputBuffer.h"
#include "net/OpenSslLibrary.h"
#include "net/PlatformSocket.h"
#include "net/SocketError.h"
#include "net/TlsContext.h"
#include "net/TlsSession.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <future>
#include <system_error>
#include <utility>

namespace {

constexpr qsizetype ChunkSize = 32768;
// What isOpen() takes in without waiting before it stops looking for the peer's close.
constexpr qsizetype PeekLimit = 1 << 20;
// Reserved up front for a large read; the result grows past it as bytes arrive.
constexpr qsizetype ReserveLimit = 4 << 20;

// A ClientHello written to memory and thrown away: it seeds the random generator and fetches
// the key-exchange algorithms, which the first real handshake would otherwise do.
void helloToNobody(const OpenSslApi &api, const TlsContext &context)
{
    SSL *session = api.SSL_new(context.handle());
    if (session == nullptr)
        return;
    BIO *incoming = api.BIO_new(api.BIO_s_mem());
    BIO *outgoing = api.BIO_new(api.BIO_s_mem());
    if (incoming != nullptr && outgoing != nullptr) {
        api.BIO_ctrl(incoming, BIO_C_SET_BUF_MEM_EOF_RETURN, -1, nullptr);
        api.SSL_set_bio(session, incoming, outgoing);
        api.SSL_connect(session); // stops where it would wait for the server's answer
    } else {
        if (incoming != nullptr)
            api.BIO_free(incoming);
        if (outgoing != nullptr)
            api.BIO_free(outgoing);
    }
    api.SSL_free(session);
    api.ERR_clear_error();
}

LumettaError readTimedOut()
{
    return LumettaError(QStringLiteral("Read timed out."));
}

LumettaError closedGracefully()
{
    return LumettaError(QStringLiteral("Connection Closed Gracefully."));
}

} // namespace

struct TlsChannel::Private
{
    enum class Fill { Data, Closed, TimedOut };

    QString extraCaFile;
    int connectTimeout = DefaultConnectTimeoutMs;
    int readTimeout = DefaultReadTimeoutMs;
    int requestTimeout = DefaultRequestTimeoutMs;
    // The end of the current request's time; none until a request starts.
    QDeadlineTimer requestDeadline{QDeadlineTimer::Forever};
    QDeadlineTimer overallDeadline{QDeadlineTimer::Forever};
    std::function<void()> waitHook;
    PlatformSocket socket;
    std::unique_ptr<TlsContext> context; // kept from one connection to the next
    std::future<std::unique_ptr<TlsContext>> preparedContext;
    std::unique_ptr<TlsSession> tls;
    InputBuffer input;

    qsizetype receive(char *data, qsizetype maxBytes, int msecs);
    qsizetype receiveNoting(char *data, qsizetype maxBytes, int msecs, bool haveData);
    Fill fill(int msecs);
    qsizetype receiveInto(char *data, qsizetype maxBytes, bool haveData);
    void startTls(const OpenSslApi &api, const QString &host);
    void takePreparedContext();
    bool fillOrTimeOut();
    void closeConnection();
    template <typename Step>
    auto withinRequestTime(Step step) -> decltype(step());
};

// Runs a step that may wait; when its wait failed because the request's time is up, that is
// what the failure says, whatever the step would have called it.
template <typename Step>
auto TlsChannel::Private::withinRequestTime(Step step) -> decltype(step())
{
    try {
        return step();
    } catch (const SocketError &error) {
        if (error.code() == SocketError::TimedOut && requestDeadline.hasExpired())
            throw readTimedOut();
        throw;
    }
}

// > 0 bytes, 0 when the peer has closed, -1 when msecs pass first.
qsizetype TlsChannel::Private::receive(char *data, qsizetype maxBytes, int msecs)
{
    if (tls)
        return tls->read(data, maxBytes, msecs);
    const QDeadlineTimer deadline(msecs);
    for (;;) {
        const qsizetype got = socket.receive(data, maxBytes);
        if (got >= 0)
            return got;
        if (!socket.waitReadable(int(std::max<qint64>(0, deadline.remainingTime()))))
            return -1;
    }
}

// receive() that applies the peer-close rules: an end of stream, a reset or an abort closes
// the socket; buffered bytes stay readable, and only with none is the reset itself the error.
qsizetype TlsChannel::Private::receiveNoting(char *data, qsizetype maxBytes, int msecs,
                                             bool haveData)
{
    if (!socket.isValid())
        return 0;
    qsizetype got = 0;
    try {
        got = withinRequestTime([&] { return receive(data, maxBytes, msecs); });
    } catch (const SocketError &error) {
        if (!error.meansPeerGone())
            throw;
        socket.close();
        if (!haveData)
            throw;
        return 0;
    }
    if (got == 0)
        socket.close();
    return got;
}

TlsChannel::Private::Fill TlsChannel::Private::fill(int msecs)
{
    const bool haveData = !input.isEmpty();
    char *room = input.prepare(ChunkSize);
    qsizetype got = 0;
    try {
        got = receiveNoting(room, ChunkSize, msecs, haveData);
    } catch (...) {
        input.commit(0);
        throw;
    }
    input.commit(std::max<qsizetype>(got, 0));
    return got > 0 ? Fill::Data : got == 0 ? Fill::Closed : Fill::TimedOut;
}

// False when the peer has closed and nothing more will come.
bool TlsChannel::Private::fillOrTimeOut()
{
    const Fill result = fill(readTimeout);
    if (result == Fill::TimedOut)
        throw readTimedOut();
    return result == Fill::Data;
}

// Up to ChunkSize bytes of maxBytes, read with the read time-out; 0 once the peer has closed.
qsizetype TlsChannel::Private::receiveInto(char *data, qsizetype maxBytes, bool haveData)
{
    if (!socket.isValid())
        return 0;
    const qsizetype got = receiveNoting(data, std::min(maxBytes, ChunkSize), readTimeout, haveData);
    if (got < 0)
        throw readTimedOut();
    return got;
}

void TlsChannel::Private::takePreparedContext()
{
    if (!preparedContext.valid())
        return;
    std::unique_ptr<TlsContext> prepared = preparedContext.get();
    if (!context)
        context = std::move(prepared);
}

void TlsChannel::Private::startTls(const OpenSslApi &api, const QString &host)
{
    takePreparedContext();
    if (!context || !context->matches(api, extraCaFile)) {
        context.reset();
        context = std::make_unique<TlsContext>(api, extraCaFile);
    }
    tls = std::make_unique<TlsSession>(api, *context, socket);
    tls->handshake(host, readTimeout);
}

void TlsChannel::Private::closeConnection()
{
    if (tls)
        tls->sendCloseNotify();
    tls.reset();
    socket.close();
    input.clear();
}

TlsChannel::TlsChannel() : d(std::make_unique<Private>()) {}

TlsChannel::~TlsChannel()
{
    d->closeConnection();
}

void TlsChannel::setExtraCaFile(const QString &pemPath)
{
    d->extraCaFile = pemPath;
}

void TlsChannel::setConnectTimeout(int msecs)
{
    d->connectTimeout = msecs;
}

void TlsChannel::setReadTimeout(int msecs)
{
    d->readTimeout = msecs;
}

void TlsChannel::setRequestTimeout(int msecs)
{
    d->requestTimeout = msecs;
}

void TlsChannel::setOverallDeadline(QDeadlineTimer deadline)
{
    d->overallDeadline = deadline;
}

void TlsChannel::startRequest()
{
    // A request that is not to be waited for is not to be sent either.
    if (d->waitHook)
        d->waitHook();
    d->requestDeadline = std::min(QDeadlineTimer(d->requestTimeout), d->overallDeadline);
    // Every wait below, TLS ones included, ends up in the socket's; it keeps to the deadline.
    d->socket.setDeadline(d->requestDeadline);
}

void TlsChannel::setWaitHook(std::function<void()> hook)
{
    d->waitHook = hook;
    d->socket.setWaitHook(std::move(hook));
}

void TlsChannel::prepareTls()
{
    if (d->context || d->preparedContext.valid())
        return;
    const auto prepare = [caFile = d->extraCaFile]() -> std::unique_ptr<TlsContext> {
        const OpenSslApi *api = OpenSslLibrary::api();
        if (api == nullptr)
            return nullptr;
        try {
            auto context = std::make_unique<TlsContext>(*api, caFile);
            helloToNobody(*api, *context);
            return context;
        } catch (const LumettaError &) {
            return nullptr;
        }
    };
    try {
        d->preparedContext = std::async(std::launch::async, prepare);
    } catch (const std::system_error &) {
        // No thread to spare: the first TLS connection prepares it, as without this call.
    }
}

void TlsChannel::open(const QString &host, quint16 port, ChannelMode mode)
{
    d->closeConnection();
    try {
        d->withinRequestTime([&] { d->socket.connect(host, port, d->connectTimeout); });
        // Loaded on the first open of either kind; without it plain connections still work.
        const OpenSslApi *api = OpenSslLibrary::api();
        if (mode == ChannelMode::Tls) {
            if (api == nullptr)
                throw LumettaError(QStringLiteral("Could not load SSL library."));
            d->withinRequestTime([&] { d->startTls(*api, host); });
        }
    } catch (...) {
        d->closeConnection();
        throw;
    }
}

bool TlsChannel::isOpen()
{
    try {
        while (d->socket.isValid() && d->input.size() < PeekLimit &&
               d->fill(0) == Private::Fill::Data) {
        }
    } catch (const LumettaError &) {
        d->socket.close(); // a connection that fails when merely looked at is not reusable
    }
    return d->socket.isValid();
}

void TlsChannel::write(const QByteArray &bytes)
{
    if (!d->socket.isValid())
        throw SocketError(10057); // not connected
    d->withinRequestTime([&] {
        if (d->tls)
            d->tls->write(bytes.constData(), bytes.size(), d->readTimeout);
        else
            d->socket.sendAll(bytes.constData(), bytes.size(), d->readTimeout);
    });
}

QByteArray TlsChannel::readLine(qsizetype maxLength)
{
    qsizetype scanned = 0;
    for (;;) {
        const qsizetype lineFeed = d->input.indexOfLineFeed(scanned);
        if (lineFeed > maxLength || (lineFeed < 0 && d->input.size() > maxLength))
            throw LumettaError(QStringLiteral("Max line length exceeded."));
        if (lineFeed >= 0) {
            QByteArray line = d->input.take(lineFeed + 1);
            line.chop(line.endsWith("\r\n") ? 2 : 1);
            return line;
        }
        scanned = d->input.size();
        if (!d->fillOrTimeOut())
            throw closedGracefully();
    }
}

QByteArray TlsChannel::readAtMost(qsizetype maxBytes)
{
    QByteArray out = d->input.take(std::min(maxBytes, d->input.size()));
    if (out.size() >= maxBytes || !d->socket.isValid())
        return out;
    out.reserve(std::min(maxBytes, ReserveLimit));
    // Past the buffer, bytes are received straight into the result.
    while (out.size() < maxBytes) {
        const qsizetype before = out.size();
        const qsizetype want = std::min(maxBytes - before, ChunkSize);
        out.resize(before + want);
        const qsizetype got = d->receiveInto(out.data() + before, want, before > 0);
        out.resize(before + got);
        if (got == 0)
            break;
    }
    return out;
}

qsizetype TlsChannel::readInto(char *data, qsizetype maxBytes)
{
    const qsizetype buffered = d->input.takeInto(data, std::min(maxBytes, d->input.size()));
    qsizetype done = buffered;
    while (done < maxBytes) {
        const qsizetype got = d->receiveInto(data + done, maxBytes - done, done > 0);
        done += got;
        if (got == 0)
            break;
    }
    return done;
}

bool TlsChannel::waitForInput(int msecs)
{
    if (!d->input.isEmpty())
        return true;
    try {
        return d->fill(msecs) == Private::Fill::Data;
    } catch (const SocketError &error) {
        if (error.meansPeerGone())
            return false;
        throw;
    }
}

void TlsChannel::close()
{
    d->closeConnection();
}
