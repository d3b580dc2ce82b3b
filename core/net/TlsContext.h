#pragma once

#include "net/OpenSslLibrary.h"

#include <QString>

// The client settings every TLS session of a channel starts from: TLS 1.2 and 1.3 only,
// the library's default ciphers, peer verification against the system's trust store and an
// optional extra CA file. Loading the trust store is the costly part of setting up a
// connection, so a channel keeps one context and starts each new session from it; a
// client session is only ever resumed on request, and none is requested.
class TlsContext
{
public:
    TlsContext(const OpenSslApi &api, const QString &extraCaFile);
    ~TlsContext();
    TlsContext(const TlsContext &) = delete;
    TlsContext &operator=(const TlsContext &) = delete;

    SSL_CTX *handle() const { return m_context; }
    bool matches(const OpenSslApi &api, const QString &extraCaFile) const;

private:
    [[noreturn]] void fail();

    const OpenSslApi &m_api;
    QString m_extraCaFile;
    SSL_CTX *m_context = nullptr;
};
