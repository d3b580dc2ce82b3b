#include "PlainHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

constexpr std::size_t MaxHead = 64 * 1024;

const char *reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    default:
        return "Internal Server Error";
    }
}

// The request head up to its empty line; empty when the peer closes or stalls first.
std::string readHead(int connection)
{
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < MaxHead) {
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0)
            return std::string();
        head.append(buffer, std::size_t(got));
    }
    return head;
}

void sendAll(int connection, const std::string &bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t done =
            ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (done <= 0)
            return;
        sent += std::size_t(done);
    }
}

} // namespace

PlainHttpServer::PlainHttpServer(Handler handler, Logger logger)
    : m_handler(std::move(handler)), m_logger(std::move(logger))
{}

PlainHttpServer::~PlainHttpServer()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

int PlainHttpServer::bind(const char *host, int port)
{
    m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    // Not SO_REUSEPORT: a port that another server listens on must stay refused.
    ::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    ::inet_pton(AF_INET, host, &address.sin_addr);
    socklen_t length = sizeof address;
    if (::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(m_socket, 16) != 0 ||
        ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return -1;
    return ntohs(address.sin_port);
}

void PlainHttpServer::listen()
{
    while (!m_stopping) {
        const int connection = ::accept(m_socket, nullptr, nullptr);
        if (connection < 0)
            continue;
        serve(connection);
        ::close(connection);
    }
}

void PlainHttpServer::stop()
{
    m_stopping = true;
    // Wakes the accept() of listen().
    ::shutdown(m_socket, SHUT_RDWR);
}

void PlainHttpServer::serve(int connection)
{
    const int on = 1;
    ::setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // A client that stalls must not hold the only connection served.
    const timeval limit{10, 0};
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    const std::string head = readHead(connection);
    // The target lies between the first and the last space: it may hold spaces itself.
    const std::string line = head.substr(0, head.find("\r\n"));
    const std::size_t firstSpace = line.find(' ');
    const std::size_t lastSpace = line.rfind(' ');
    if (firstSpace == std::string::npos || lastSpace == firstSpace)
        return;
    const std::string method = line.substr(0, firstSpace);
    const std::string target = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    const Answer answer =
        method == "GET" ? m_handler(method, target) : Answer{405, "text/plain", "GET only\n"};
    sendAll(connection, "HTTP/1.1 " + std::to_string(answer.status) + ' ' + reason(answer.status) +
                            "\r\nContent-Type: " + answer.contentType +
                            "\r\nContent-Length: " + std::to_string(answer.body.size()) +
                            "\r\nConnection: close\r\n\r\n" + answer.body);
    m_logger(method, target, answer);
}
