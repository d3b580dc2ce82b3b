#include "TlsTestServer.h"

#include <QMutex>
#include <QMutexLocker>
#include <QWaitCondition>

#include "LoopbackSockets.h"

#include <csignal>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

constexpr int PollStepMs = 50;

SSL_CTX *makeContext(const TlsTestServer::Options &options)
{
    const TestCertificate &certificate =
        options.certificate != nullptr ? *options.certificate : TestCertificates::localhost();
    SSL_CTX *context = SSL_CTX_new(TLS_server_method());
    BIO *certificateBio = BIO_new_mem_buf(certificate.certificatePem.constData(),
                                          int(certificate.certificatePem.size()));
    BIO *keyBio = BIO_new_mem_buf(certificate.privateKeyPem.constData(),
                                  int(certificate.privateKeyPem.size()));
    X509 *x509 = PEM_read_bio_X509(certificateBio, nullptr, nullptr, nullptr);
    EVP_PKEY *key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    const bool ok = context != nullptr && x509 != nullptr && key != nullptr &&
                    SSL_CTX_use_certificate(context, x509) == 1 &&
                    SSL_CTX_use_PrivateKey(context, key) == 1;
    X509_free(x509);
    EVP_PKEY_free(key);
    BIO_free(certificateBio);
    BIO_free(keyBio);
    if (!ok)
        throw std::runtime_error("TlsTestServer: cannot set up the server context");
    if (options.minVersion != 0)
        SSL_CTX_set_min_proto_version(context, options.minVersion);
    if (options.maxVersion != 0)
        SSL_CTX_set_max_proto_version(context, options.maxVersion);
    if (options.maxVersion != 0 && options.maxVersion < TLS1_2_VERSION) {
        // Old protocol versions are only offered at the lowest security level.
        SSL_CTX_set_security_level(context, 0);
        SSL_CTX_set_cipher_list(context, "DEFAULT@SECLEVEL=0");
    }
    return context;
}

SocketHandle listenOnLoopback(quint16 &port)
{
    const SocketHandle fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd == NoSocketHandle || ::bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
        ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        throw std::runtime_error("TlsTestServer: cannot listen on 127.0.0.1");
    port = ntohs(address.sin_port);
    return fd;
}

// The length of a complete request at the front of bytes, or 0 while it is incomplete.
qsizetype completeRequestLength(const QByteArray &bytes)
{
    const qsizetype headEnd = bytes.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return 0;
    qsizetype bodyLength = 0;
    for (const QByteArray &line : bytes.left(headEnd).split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.toLower().startsWith("content-length:"))
            bodyLength = trimmed.mid(15).trimmed().toLongLong();
    }
    const qsizetype total = headEnd + 4 + bodyLength;
    return bytes.size() >= total ? total : 0;
}

} // namespace

struct TlsTestServer::Private
{
    Options options;
    SSL_CTX *context = nullptr;
    SocketHandle listener = NoSocketHandle;
    quint16 port = 0;
    std::atomic<bool> stopping{false};
    std::atomic<bool> done{false};
    std::thread thread;

    mutable QMutex lock;
    mutable QWaitCondition finished;
    SocketHandle current = NoSocketHandle;
    int finishedConnections = 0;
    QStringList serverNames;
    QList<int> versions;
    QList<QByteArray> requests;
    int closeNotifies = 0;
    qsizetype bytesAfterCloseNotify = 0;

    void run();
    void serve(SocketHandle fd);
    bool waitReadable(SocketHandle fd);
    void takeFirstBytes(SocketHandle fd);
    void silent(SocketHandle fd);
    void answer(SocketHandle fd);
    void talk(SSL *ssl, SocketHandle fd);
    void noteCloseNotify(SocketHandle fd);
};

bool TlsTestServer::Private::waitReadable(SocketHandle fd)
{
    while (!stopping) {
        pollfd record{fd, POLLIN, 0};
        if (pollSockets(&record, 1, PollStepMs) > 0)
            return true;
    }
    return false;
}

void TlsTestServer::Private::run()
{
    while (waitReadable(listener)) {
        const SocketHandle fd = ::accept(listener, nullptr, nullptr);
        if (fd == NoSocketHandle)
            continue;
        // Answers go out at once: no wait on the client's delayed acknowledgement.
        const int noDelay = 1;
        setSocketOption(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        {
            const QMutexLocker locker(&lock);
            current = fd;
        }
        serve(fd);
        const QMutexLocker locker(&lock);
        current = NoSocketHandle;
        closeSocket(fd);
        ++finishedConnections;
        finished.wakeAll();
    }
    done = true;
}

void TlsTestServer::Private::serve(SocketHandle fd)
{
    switch (options.behaviour) {
    case Behaviour::Answer:
    case Behaviour::ResetAfterRequest:
        answer(fd);
        break;
    case Behaviour::SilentAfterAccept:
        silent(fd);
        break;
    case Behaviour::CloseInHandshake:
        takeFirstBytes(fd);
        ::shutdown(fd, SHUT_WR);
        silent(fd);
        break;
    case Behaviour::ResetInHandshake: {
        takeFirstBytes(fd);
        const linger hard{1, 0};
        setSocketOption(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        break;
    }
    }
}

// Reads what the client has sent so far (its hello), so that closing sends no reset.
void TlsTestServer::Private::takeFirstBytes(SocketHandle fd)
{
    char chunk[16384];
    if (!waitReadable(fd) || ::recv(fd, chunk, sizeof chunk, 0) <= 0)
        return;
    while (receiveNow(fd, chunk, sizeof chunk) > 0) {
    }
}

void TlsTestServer::Private::silent(SocketHandle fd)
{
    char chunk[16384];
    while (waitReadable(fd) && ::recv(fd, chunk, sizeof chunk, 0) > 0) {
    }
}

void TlsTestServer::Private::answer(SocketHandle fd)
{
    SSL *ssl = SSL_new(context);
    SSL_set_fd(ssl, int(fd));
    if (SSL_accept(ssl) == 1) {
        const char *name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
        {
            const QMutexLocker locker(&lock);
            serverNames.append(name != nullptr ? QString::fromLatin1(name) : QString());
            versions.append(SSL_version(ssl));
        }
        talk(ssl, fd);
    }
    SSL_free(ssl);
    ERR_clear_error();
}

void TlsTestServer::Private::talk(SSL *ssl, SocketHandle fd)
{
    QByteArray pending;
    char chunk[16384];
    for (;;) {
        const int got = SSL_read(ssl, chunk, sizeof chunk);
        if (got <= 0) {
            if (SSL_get_error(ssl, got) == SSL_ERROR_ZERO_RETURN)
                noteCloseNotify(fd);
            return;
        }
        pending.append(chunk, got);
        while (const qsizetype length = completeRequestLength(pending)) {
            {
                const QMutexLocker locker(&lock);
                requests.append(pending.left(length));
            }
            pending.remove(0, length);
            if (options.behaviour == Behaviour::ResetAfterRequest) {
                const linger hard{1, 0};
                setSocketOption(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
                return;
            }
            if (SSL_write(ssl, options.answer.constData(), int(options.answer.size())) <= 0)
                return;
            if (options.closeAfterAnswer) {
                SSL_shutdown(ssl);
                return;
            }
            if (options.dropAfterAnswer)
                return; // the socket is closed without a word from TLS
        }
    }
}

void TlsTestServer::Private::noteCloseNotify(SocketHandle fd)
{
    qsizetype after = 0;
    char chunk[4096];
    for (qsizetype got; waitReadable(fd) && (got = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
        after += got;
    const QMutexLocker locker(&lock);
    ++closeNotifies;
    bytesAfterCloseNotify += after;
}

TlsTestServer::TlsTestServer(const Options &options) : d(std::make_unique<Private>())
{
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    d->options = options;
    d->context = makeContext(options);
    d->listener = listenOnLoopback(d->port);
    d->thread = std::thread([this] { d->run(); });
}

TlsTestServer::~TlsTestServer()
{
    d->stopping = true;
    // A connection blocked inside OpenSSL only returns once its socket is shut down.
    while (!d->done) {
        {
            const QMutexLocker locker(&d->lock);
            if (d->current != NoSocketHandle)
                ::shutdown(d->current, SHUT_RDWR);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    d->thread.join();
    closeSocket(d->listener);
    SSL_CTX_free(d->context);
}

quint16 TlsTestServer::port() const
{
    return d->port;
}

QStringList TlsTestServer::serverNames() const
{
    const QMutexLocker locker(&d->lock);
    return d->serverNames;
}

QList<int> TlsTestServer::versions() const
{
    const QMutexLocker locker(&d->lock);
    return d->versions;
}

QList<QByteArray> TlsTestServer::requests() const
{
    const QMutexLocker locker(&d->lock);
    return d->requests;
}

int TlsTestServer::closeNotifies() const
{
    const QMutexLocker locker(&d->lock);
    return d->closeNotifies;
}

qsizetype TlsTestServer::bytesAfterCloseNotify() const
{
    const QMutexLocker locker(&d->lock);
    return d->bytesAfterCloseNotify;
}

bool TlsTestServer::waitForFinishedConnections(int count) const
{
    const QMutexLocker locker(&d->lock);
    QDeadlineTimer deadline(10000);
    while (d->finishedConnections < count) {
        if (!d->finished.wait(&d->lock, deadline))
            return d->finishedConnections >= count;
    }
    return true;
}
