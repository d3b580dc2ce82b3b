#pragma once

#include "LoopbackSockets.h"

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// A loopback server for one request whose answer waits until the test releases it, so that
// a test can act while a request is known to be waiting, without guessing at times.
class HeldAnswerServer
{
public:
    explicit HeldAnswerServer(const QByteArray &answer);
    // Releases the answer if still held, then joins the server's thread.
    ~HeldAnswerServer();
    HeldAnswerServer(const HeldAnswerServer &) = delete;
    HeldAnswerServer &operator=(const HeldAnswerServer &) = delete;

    quint16 port() const { return m_port; }
    // True once the request's head has arrived (from any thread).
    bool hasRequest() const { return m_hasRequest; }
    // Lets the answer go.
    void release();
    // Waits until the request has arrived or until msecs pass; true when it has.
    bool waitForRequest(int msecs);

private:
    void serve();

    QByteArray m_answer;
    SocketHandle m_listener = NoSocketHandle;
    quint16 m_port = 0;
    std::atomic_bool m_hasRequest{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_released = false;
    std::thread m_thread;
};
