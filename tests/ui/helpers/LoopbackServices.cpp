#include "LoopbackServices.h"

namespace {
std::unique_ptr<ScriptedServer> serverAnswering(const QByteArray &answer)
{
    return std::make_unique<ScriptedServer>(
        QList<ScriptedServer::Script>{ScriptedServer::Script().respond(answer).close()});
}

QString loopback(const ScriptedServer &server)
{
    return QStringLiteral("http://127.0.0.1:%1").arg(server.port());
}
} // namespace

LoopbackServices::LoopbackServices(const QByteArray &apiAnswer, const QByteArray &shortenerAnswer)
    : m_api(serverAnswering(apiAnswer)), m_shortener(serverAnswering(shortenerAnswer))
{}

LinkServices LoopbackServices::services() const
{
    return LinkServices{loopback(*m_api), loopback(*m_shortener)};
}

QByteArray LoopbackServices::answer(const QByteArray &body, const QByteArray &contentType,
                                    const QByteArray &status)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}
