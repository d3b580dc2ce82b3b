#include "LoopbackServices.h"

#include <QString>

#include <stdexcept>

#include "LoopbackSockets.h"

namespace {

// A loopback port that was free a moment ago and has nothing listening now.
int closedPort()
{
    const SocketHandle fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    closeSocket(fd);
    return ntohs(address.sin_port);
}

} // namespace

LoopbackServices::LoopbackServices(std::unique_ptr<httplib::Server> shortener)
    : m_tls(shortener != nullptr)
{
    m_api.server = std::make_unique<httplib::Server>();
    m_shortener.server = shortener ? std::move(shortener) : std::make_unique<httplib::Server>();
    m_api.responder = [](const Received &) {
        return Reply{404, "no answer scripted", "text/plain"};
    };
    m_shortener.responder = m_api.responder;
    m_api.server->Get(".*", [this](const httplib::Request &in, httplib::Response &out) {
        serve(m_api, in, out);
    });
    m_shortener.server->Post(".*", [this](const httplib::Request &in, httplib::Response &out) {
        serve(m_shortener, in, out);
    });
    start(m_api);
    start(m_shortener);
}

LoopbackServices::~LoopbackServices()
{
    for (Side *side : {&m_api, &m_shortener}) {
        side->server->stop();
        side->thread.join();
    }
}

void LoopbackServices::start(Side &side)
{
    side.port = side.server->bind_to_any_port("127.0.0.1");
    if (side.port <= 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    side.thread = std::thread([&side] { side.server->listen_after_bind(); });
    // stop() has no effect on a server that is not running yet, and the thread would never end.
    while (!side.server->is_running())
        std::this_thread::yield();
}

void LoopbackServices::serve(Side &side, const httplib::Request &in, httplib::Response &out)
{
    const Received received{in.path, in.target, in.params, in.body};
    Responder responder;
    {
        const std::lock_guard lock(m_mutex);
        side.received.push_back(received);
        responder = side.responder;
    }
    const Reply reply = responder(received);
    out.status = reply.status;
    out.set_content(reply.body, reply.contentType);
    if (!reply.location.empty())
        out.set_header("Location", reply.location);
}

void LoopbackServices::answerApi(Reply reply)
{
    answerApi([reply](const Received &) { return reply; });
}

void LoopbackServices::answerApi(Responder responder)
{
    const std::lock_guard lock(m_mutex);
    m_api.responder = std::move(responder);
}

void LoopbackServices::answerShortener(Reply reply)
{
    answerShortener([reply](const Received &) { return reply; });
}

void LoopbackServices::answerShortener(Responder responder)
{
    const std::lock_guard lock(m_mutex);
    m_shortener.responder = std::move(responder);
}

LinkServices LoopbackServices::services() const
{
    const QString shortener =
        m_tls ? QStringLiteral("https://localhost:%1") : QStringLiteral("http://127.0.0.1:%1");
    // The API side answers for both APIs; the tests tell them apart by path.
    const QString api = QStringLiteral("http://127.0.0.1:%1").arg(m_api.port);
    return {api, shortener.arg(m_shortener.port), api};
}

LinkServices LoopbackServices::servicesWithClosedApiPort() const
{
    LinkServices services = this->services();
    services.apiGateway = QStringLiteral("http://127.0.0.1:%1").arg(closedPort());
    services.openPlatform = services.apiGateway;
    return services;
}

std::vector<LoopbackServices::Received> LoopbackServices::apiRequests() const
{
    const std::lock_guard lock(m_mutex);
    return m_api.received;
}

std::vector<LoopbackServices::Received> LoopbackServices::shortenerRequests() const
{
    const std::lock_guard lock(m_mutex);
    return m_shortener.received;
}
