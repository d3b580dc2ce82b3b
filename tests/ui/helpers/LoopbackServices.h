#pragma once

#include "ScriptedServer.h"
#include "links/PartnerLink.h"

#include <QByteArray>
#include <QString>

#include <memory>

// A loopback affiliate API and a loopback shortener, both plain HTTP, for generate runs.
class LoopbackServices
{
public:
    // Each server answers every connection with the given answer.
    LoopbackServices(const QByteArray &apiAnswer, const QByteArray &shortenerAnswer);

    LinkServices services() const;
    ScriptedServer &api() { return *m_api; }
    ScriptedServer &shortener() { return *m_shortener; }

    // A complete HTTP/1.1 answer with the body and a matching Content-Length.
    static QByteArray answer(const QByteArray &body,
                             const QByteArray &contentType = "text/plain; charset=utf-8",
                             const QByteArray &status = "200 OK");

private:
    std::unique_ptr<ScriptedServer> m_api;
    std::unique_ptr<ScriptedServer> m_shortener;
};
