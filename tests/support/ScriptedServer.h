#pragma once

#include <QByteArray>
#include <QList>

#include <memory>

// A raw TCP server on 127.0.0.1 (port chosen by the system) that plays one script per
// accepted connection, each connection on its own thread. Made for framing and failure
// paths: exact bytes, pauses, early close, resets and silence.
//
//   ScriptedServer server({ScriptedServer::Script()
//                              .respond("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")
//                              .close()});
//   client.Get(QString("http://127.0.0.1:%1/").arg(server.port()));
//   server.requests().at(0).head  // the request head as received
//
// Connection n plays script n; connections past the last script play the last one again.
// When a script runs out of steps without close() or reset(), the connection stays open
// and silent until the peer closes it or the server is destroyed.
class ScriptedServer
{
public:
    class Script
    {
    public:
        // Reads one request: the head up to its empty line, then as many body bytes as its
        // Content-Length says, and records it. Ends the connection if the peer closes first.
        Script &readRequest();
        // Sends these bytes exactly.
        Script &send(const QByteArray &bytes);
        // readRequest() then send(bytes).
        Script &respond(const QByteArray &bytes);
        Script &pause(int msecs);
        // Graceful close: FIN after the bytes sent, then waits for the peer to close.
        Script &close();
        // Abortive close (SO_LINGER 0): the peer sees a reset.
        Script &reset();
        // Reads and discards whatever comes until the peer closes or the server ends.
        Script &silent();

        struct Step
        {
            enum Kind { ReadRequest, Send, Pause, Close, Reset, Silent };
            Kind kind;
            QByteArray bytes;
            int msecs = 0;
        };
        const QList<Step> &steps() const { return m_steps; }

    private:
        QList<Step> m_steps;
    };

    struct Request
    {
        int connection;  // 0-based number of the connection it came on
        QByteArray head; // request line and headers, with the empty line that ends them
        QByteArray body;
        QByteArray bytes() const { return head + body; }
    };

    explicit ScriptedServer(const QList<Script> &scripts);
    // Ends every connection (a silent one included) and joins the threads.
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer &) = delete;
    ScriptedServer &operator=(const ScriptedServer &) = delete;

    quint16 port() const;
    // Requests read so far, in the order they were read.
    QList<Request> requests() const;
    // Connections accepted so far.
    int connectionCount() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
