#include "net/TlsContext.h"

#include "LumettaError.h"
#include "net/SystemTrustStore.h"

#include <QFile>

namespace {

QByteArray fileName(const QString &path)
{
#ifdef _WIN32
    return path.toUtf8(); // OpenSSL takes UTF-8 file names on Windows
#else
    return QFile::encodeName(path);
#endif
}

} // namespace

TlsContext::TlsContext(const OpenSslApi &api, const QString &extraCaFile)
    : m_api(api), m_extraCaFile(extraCaFile)
{
    m_api.ERR_clear_error();
    m_context = m_api.SSL_CTX_new(m_api.TLS_client_method());
    if (m_context == nullptr)
        fail();
    if (m_api.SSL_CTX_ctrl(m_context, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr) !=
            1 ||
        m_api.SSL_CTX_ctrl(m_context, SSL_CTRL_SET_MAX_PROTO_VERSION, TLS1_3_VERSION, nullptr) != 1)
        fail();
    // A machine without a system store still works with an extra CA file; without either,
    // verification fails later with the library's own explanation.
    m_api.SSL_CTX_set_default_verify_paths(m_context);
    addSystemTrustStore(m_api, m_context);
    m_api.ERR_clear_error();
    if (!extraCaFile.isEmpty() && m_api.SSL_CTX_load_verify_locations(
                                      m_context, fileName(extraCaFile).constData(), nullptr) != 1)
        fail();
    m_api.SSL_CTX_set_verify(m_context, SSL_VERIFY_PEER, nullptr);
}

TlsContext::~TlsContext()
{
    if (m_context != nullptr)
        m_api.SSL_CTX_free(m_context);
}

bool TlsContext::matches(const OpenSslApi &api, const QString &extraCaFile) const
{
    return &api == &m_api && extraCaFile == m_extraCaFile;
}

void TlsContext::fail()
{
    const QString reason = m_api.takeErrorString();
    if (m_context != nullptr)
        m_api.SSL_CTX_free(m_context);
    m_context = nullptr;
    throw LumettaError(QStringLiteral("Error creating SSL context.\r\n") + reason);
}
