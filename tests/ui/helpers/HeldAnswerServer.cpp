#include "HeldAnswerServer.h"

#include "LoopbackSockets.h"

#include <chrono>

HeldAnswerServer::HeldAnswerServer(const QByteArray &answer) : m_answer(answer)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener == NoSocketHandle ||
        ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
        ::listen(m_listener, 1) != 0)
        return;
    ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

HeldAnswerServer::~HeldAnswerServer()
{
    release();
    // Unblocks an accept() still waiting for a client that never came.
    ::shutdown(m_listener, SHUT_RDWR);
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener != NoSocketHandle)
        closeSocket(m_listener);
}

void HeldAnswerServer::release()
{
    const std::lock_guard lock(m_mutex);
    m_released = true;
    m_changed.notify_all();
}

bool HeldAnswerServer::waitForRequest(int msecs)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(msecs), [this] {
        return m_hasRequest.load() || m_released;
    }) && m_hasRequest;
}

void HeldAnswerServer::serve()
{
    const SocketHandle client = ::accept(m_listener, nullptr, nullptr);
    if (client == NoSocketHandle)
        return;
    QByteArray head;
    char chunk[4096];
    while (!head.contains("\r\n\r\n")) {
        const auto got = ::recv(client, chunk, int(sizeof chunk), 0);
        if (got <= 0)
            break;
        head.append(chunk, got);
    }
    {
        std::unique_lock lock(m_mutex);
        m_hasRequest = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released; });
    }
    ::send(client, m_answer.constData(), int(m_answer.size()), NoSignal);
    ::shutdown(client, SHUT_WR);
    while (::recv(client, chunk, int(sizeof chunk), 0) > 0) {
    }
    closeSocket(client);
}
