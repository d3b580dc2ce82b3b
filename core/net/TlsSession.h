#pragma once

#include "net/OpenSslLibrary.h"

#include <QByteArray>
#include <QString>

class PlatformSocket;
class TlsContext;

// One TLS client session over a connected socket. OpenSSL works on memory buffers and this
// class moves the bytes between them and the socket, so every wait has a limit, every
// socket failure keeps its own number and a dead peer never raises a signal.
// The server's name is checked against its certificate; the context checks the chain.
class TlsSession
{
public:
    TlsSession(const OpenSslApi &api, const TlsContext &context, PlatformSocket &socket);
    ~TlsSession();
    TlsSession(const TlsSession &) = delete;
    TlsSession &operator=(const TlsSession &) = delete;

    // Sets up the session and runs the handshake; each wait for the server is limited to msecs.
    void handshake(const QString &host, int msecs);
    // Decrypted bytes (> 0), 0 when the peer has closed (close-notify or end of stream),
    // -1 when msecs pass without any.
    qsizetype read(char *data, qsizetype maxBytes, int msecs);
    void write(const char *data, qsizetype size, int msecs);
    // Sends the close-notify, once, without waiting for room or for the peer's.
    void sendCloseNotify();

private:
    void createSession(const QString &host);
    [[noreturn]] void failHandshake(const QString &detail);
    QString verificationReason() const;
    // Raw bytes from the socket into the session: > 0, 0 at end of stream, -1 on time-out.
    qsizetype pullFromSocket(int msecs);
    void pushToSocket(int msecs);
    QString withReason(const QString &message);

    const OpenSslApi &m_api;
    const TlsContext &m_context;
    PlatformSocket &m_socket;
    SSL *m_session = nullptr;
    BIO *m_incoming = nullptr; // owned by the session once attached
    BIO *m_outgoing = nullptr;
    bool m_established = false;
    bool m_closeNotifySent = false;
};
