#pragma once

#include "TestCertificates.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <memory>

// A TLS server on 127.0.0.1 (port chosen by the system), on its own thread, serving one
// connection at a time.
//
//   TlsTestServer server({.answer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"});
//   channel.setExtraCaFile(TestCertificates::writeAuthorityFile(dir.path()));
//   channel.open("localhost", server.port(), ChannelMode::Tls);
//
// A request is what a client sends up to its empty line plus the body its Content-Length
// announces. Ignores SIGPIPE for the whole process (a test client may vanish mid-answer).
class TlsTestServer
{
public:
    enum class Behaviour {
        Answer,            // handshake, then answer each request with `answer`
        SilentAfterAccept, // accept and send nothing, not even a handshake reply
        CloseInHandshake,  // take the client's first bytes, then close without an alert
        ResetInHandshake,  // take the client's first bytes, then reset the connection
        ResetAfterRequest, // handshake, take one request, then reset without answering
    };

    struct Options
    {
        const TestCertificate *certificate = nullptr; // null: TestCertificates::localhost()
        // Protocol range, e.g. TLS1_VERSION..TLS1_1_VERSION; 0 leaves the library's bound.
        // A range that ends below TLS 1.2 lowers the security level so that it is offered.
        int minVersion = 0;
        int maxVersion = 0;
        Behaviour behaviour = Behaviour::Answer;
        QByteArray answer;
        bool closeAfterAnswer = false; // close-notify and close after the first answer
        // Close after the first answer without a close-notify, as a truncating attacker or a
        // careless server does.
        bool dropAfterAnswer = false;
    };

    explicit TlsTestServer(const Options &options);
    // Ends the current connection, whatever it is doing, and joins the thread.
    ~TlsTestServer();
    TlsTestServer(const TlsTestServer &) = delete;
    TlsTestServer &operator=(const TlsTestServer &) = delete;

    quint16 port() const;
    // One entry per completed handshake: the server name the client sent, empty if none.
    QStringList serverNames() const;
    // One entry per completed handshake: the protocol version agreed (TLS1_2_VERSION, ...).
    QList<int> versions() const;
    QList<QByteArray> requests() const;
    // Connections the client ended with a close-notify alert.
    int closeNotifies() const;
    // Bytes that arrived after a close-notify (another alert would show here).
    qsizetype bytesAfterCloseNotify() const;
    // Blocks until this many connections have been served to their end (at most 10 s);
    // false if they were not.
    bool waitForFinishedConnections(int count) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
