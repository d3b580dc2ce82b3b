#pragma once

#include <atomic>
#include <functional>
#include <string>

// A minimal HTTP/1.1 server for GET requests, one connection at a time, each answer closing
// its connection. The old affiliate API needs it: the program sends the page address
// unescaped, so a request target may hold a second "?", which the server library refuses
// before any handler sees it.
class PlainHttpServer
{
public:
    struct Answer
    {
        int status = 200;
        std::string contentType;
        std::string body;
    };
    // Gets the method and the raw request target.
    using Handler = std::function<Answer(const std::string &method, const std::string &target)>;
    using Logger = std::function<void(const std::string &method, const std::string &target,
                                      const Answer &answer)>;

    PlainHttpServer(Handler handler, Logger logger);
    ~PlainHttpServer();
    PlainHttpServer(const PlainHttpServer &) = delete;
    PlainHttpServer &operator=(const PlainHttpServer &) = delete;

    // Listens on host:port (0: the system picks); the port, or -1 when it cannot.
    int bind(const char *host, int port);
    // Serves until stop().
    void listen();
    void stop();

private:
    void serve(int connection);

    Handler m_handler;
    Logger m_logger;
    int m_socket = -1;
    std::atomic<bool> m_stopping{false};
};
