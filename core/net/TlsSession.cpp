#include "net/TlsSession.h"

#include "net/PlatformSocket.h"
#include "net/SocketError.h"
#include "net/TlsContext.h"

#include <QDeadlineTimer>

#include <algorithm>

namespace {

constexpr int ChunkSize = 32768;
constexpr qsizetype WriteSlice = 65536;

int clampedLength(qsizetype size, qsizetype limit)
{
    return int(std::min(size, limit));
}

int remainingMsecs(const QDeadlineTimer &deadline)
{
    return int(std::max<qint64>(0, deadline.remainingTime()));
}

} // namespace

TlsSession::TlsSession(const OpenSslApi &api, const TlsContext &context, PlatformSocket &socket)
    : m_api(api), m_context(context), m_socket(socket)
{}

TlsSession::~TlsSession()
{
    if (m_session != nullptr)
        m_api.SSL_free(m_session); // frees the attached buffers too
}

QString TlsSession::withReason(const QString &message)
{
    return message + QStringLiteral("\r\n") + m_api.takeErrorString();
}

void TlsSession::createSession(const QString &host)
{
    m_api.ERR_clear_error();
    m_session = m_api.SSL_new(m_context.handle());
    if (m_session == nullptr)
        throw LumettaError(QStringLiteral("Error creating SSL session."));
    m_incoming = m_api.BIO_new(m_api.BIO_s_mem());
    m_outgoing = m_api.BIO_new(m_api.BIO_s_mem());
    if (m_incoming == nullptr || m_outgoing == nullptr) {
        if (m_incoming != nullptr)
            m_api.BIO_free(m_incoming);
        if (m_outgoing != nullptr)
            m_api.BIO_free(m_outgoing);
        throw LumettaError(withReason(QStringLiteral("Error setting File Descriptor for SSL")));
    }
    // An empty buffer means "wait for more", not end of stream.
    m_api.BIO_ctrl(m_incoming, BIO_C_SET_BUF_MEM_EOF_RETURN, -1, nullptr);
    m_api.BIO_ctrl(m_outgoing, BIO_C_SET_BUF_MEM_EOF_RETURN, -1, nullptr);
    m_api.SSL_set_bio(m_session, m_incoming, m_outgoing);

    const QByteArray name = PlatformSocket::asciiHost(host);
    bool bound = false;
    if (PlatformSocket::isIpLiteral(host)) {
        // No server name for an address; the certificate must name the address itself.
        bound = m_api.X509_VERIFY_PARAM_set1_ip_asc(m_api.SSL_get0_param(m_session),
                                                    name.constData()) == 1;
    } else {
        m_api.SSL_set_hostflags(m_session, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        bound = m_api.SSL_ctrl(m_session, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                               const_cast<char *>(name.constData())) == 1 &&
                m_api.SSL_set1_host(m_session, name.constData()) == 1;
    }
    if (!bound)
        throw LumettaError(withReason(QStringLiteral("Error binding data to SSL socket.")));
}

// Why the server's certificate was refused, after the library's "certificate verify failed",
// which alone does not tell an expired certificate from one for another host.
QString TlsSession::verificationReason() const
{
    const long result = m_api.SSL_get_verify_result(m_session);
    if (result == X509_V_OK)
        return QString();
    return QStringLiteral(" (%1)").arg(
        QString::fromUtf8(m_api.X509_verify_cert_error_string(result)));
}

void TlsSession::failHandshake(const QString &detail)
{
    throw LumettaError(QStringLiteral("Error connecting with SSL.\r\n") + detail);
}

void TlsSession::handshake(const QString &host, int msecs)
{
    createSession(host);
    for (;;) {
        m_api.ERR_clear_error();
        const int result = m_api.SSL_connect(m_session);
        if (result == 1) {
            pushToSocket(msecs);
            m_established = true;
            return;
        }
        if (m_api.SSL_get_error(m_session, result) != SSL_ERROR_WANT_READ) {
            const QString detail = m_api.takeErrorString() + verificationReason();
            try {
                pushToSocket(0); // the alert that tells the server why, if there is room
            } catch (const LumettaError &) {
            }
            failHandshake(detail);
        }
        pushToSocket(msecs);
        const qsizetype pulled = pullFromSocket(msecs);
        if (pulled == 0)
            failHandshake(QStringLiteral("EOF was observed that violates the protocol"));
        if (pulled < 0)
            throw SocketError(SocketError::TimedOut);
    }
}

qsizetype TlsSession::read(char *data, qsizetype maxBytes, int msecs)
{
    const QDeadlineTimer deadline(msecs);
    for (;;) {
        m_api.ERR_clear_error();
        const int got = m_api.SSL_read(m_session, data, clampedLength(maxBytes, 1 << 30));
        const int error = got > 0 ? SSL_ERROR_NONE : m_api.SSL_get_error(m_session, got);
        if (m_api.BIO_ctrl_pending(m_outgoing) > 0)
            pushToSocket(msecs); // answers to post-handshake messages
        if (got > 0)
            return got;
        if (error == SSL_ERROR_ZERO_RETURN)
            return 0;
        if (error != SSL_ERROR_WANT_READ)
            throw LumettaError(m_api.takeErrorString());
        const qsizetype pulled = pullFromSocket(remainingMsecs(deadline));
        if (pulled <= 0)
            return pulled;
    }
}

void TlsSession::write(const char *data, qsizetype size, int msecs)
{
    qsizetype done = 0;
    while (done < size) {
        m_api.ERR_clear_error();
        const int put =
            m_api.SSL_write(m_session, data + done, clampedLength(size - done, WriteSlice));
        if (put > 0) {
            done += put;
            pushToSocket(msecs);
            continue;
        }
        if (m_api.SSL_get_error(m_session, put) != SSL_ERROR_WANT_READ)
            throw LumettaError(m_api.takeErrorString());
        pushToSocket(msecs);
        const qsizetype pulled = pullFromSocket(msecs);
        if (pulled <= 0)
            throw SocketError(pulled == 0 ? SocketError::AfterShutdown : SocketError::TimedOut);
    }
}

void TlsSession::sendCloseNotify()
{
    if (!m_established || m_closeNotifySent || !m_socket.isValid())
        return;
    m_closeNotifySent = true;
    m_api.ERR_clear_error();
    m_api.SSL_shutdown(m_session);
    m_api.ERR_clear_error();
    try {
        pushToSocket(0);
    } catch (const LumettaError &) {
        // The peer may already be gone; closing goes on regardless.
    }
}

qsizetype TlsSession::pullFromSocket(int msecs)
{
    char chunk[ChunkSize];
    const QDeadlineTimer deadline(msecs);
    for (;;) {
        const qsizetype got = m_socket.receive(chunk, ChunkSize);
        if (got > 0) {
            m_api.BIO_write(m_incoming, chunk, int(got));
            return got;
        }
        if (got == 0)
            return 0;
        if (!m_socket.waitReadable(remainingMsecs(deadline)))
            return -1;
    }
}

void TlsSession::pushToSocket(int msecs)
{
    char chunk[ChunkSize];
    while (m_api.BIO_ctrl_pending(m_outgoing) > 0) {
        const int got = m_api.BIO_read(m_outgoing, chunk, ChunkSize);
        if (got <= 0)
            return;
        m_socket.sendAll(chunk, got, msecs);
    }
}
