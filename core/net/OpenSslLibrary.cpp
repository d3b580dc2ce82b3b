#include "net/OpenSslLibrary.h"

#include <QLibrary>
#include <QMutex>
#include <QMutexLocker>

#include <list>
#include <memory>

namespace {

QString defaultSslName()
{
#if defined(_WIN32) && defined(_WIN64)
    return QStringLiteral("libssl-3-x64.dll");
#elif defined(_WIN32)
    return QStringLiteral("libssl-3.dll");
#elif defined(__APPLE__)
    return QStringLiteral("libssl.3.dylib");
#else
    return QStringLiteral("libssl.so.3");
#endif
}

QString defaultCryptoName()
{
#if defined(_WIN32) && defined(_WIN64)
    return QStringLiteral("libcrypto-3-x64.dll");
#elif defined(_WIN32)
    return QStringLiteral("libcrypto-3.dll");
#elif defined(__APPLE__)
    return QStringLiteral("libcrypto.3.dylib");
#else
    return QStringLiteral("libcrypto.so.3");
#endif
}

struct LoaderState
{
    QMutex lock;
    QString sslName = defaultSslName();
    QString cryptoName = defaultCryptoName();
    const OpenSslApi *current = nullptr;
    // Every table ever handed out stays alive: a session may still hold one when a test
    // swaps the names. The libraries themselves are never unloaded.
    std::list<std::unique_ptr<OpenSslApi>> tables;
};

LoaderState &state()
{
    static LoaderState instance;
    return instance;
}

template <typename Function>
bool resolveInto(QLibrary &library, const char *name, Function &target)
{
    target = reinterpret_cast<Function>(library.resolve(name));
    return target != nullptr;
}

#define LUMETTA_RESOLVE(library, name)                                                             \
    if (!resolveInto(library, #name, table->name))                                                 \
        return nullptr;

std::unique_ptr<OpenSslApi> resolveAll(QLibrary &crypto, QLibrary &ssl)
{
    auto table = std::make_unique<OpenSslApi>();
    LUMETTA_RESOLVE(crypto, ERR_get_error)
    LUMETTA_RESOLVE(crypto, ERR_error_string_n)
    LUMETTA_RESOLVE(crypto, ERR_clear_error)
    LUMETTA_RESOLVE(crypto, BIO_new)
    LUMETTA_RESOLVE(crypto, BIO_free)
    LUMETTA_RESOLVE(crypto, BIO_s_mem)
    LUMETTA_RESOLVE(crypto, BIO_read)
    LUMETTA_RESOLVE(crypto, BIO_write)
    LUMETTA_RESOLVE(crypto, BIO_ctrl)
    LUMETTA_RESOLVE(crypto, BIO_ctrl_pending)
    LUMETTA_RESOLVE(crypto, X509_VERIFY_PARAM_set1_ip_asc)
    LUMETTA_RESOLVE(crypto, d2i_X509)
    LUMETTA_RESOLVE(crypto, X509_free)
    LUMETTA_RESOLVE(crypto, X509_STORE_add_cert)
    LUMETTA_RESOLVE(crypto, X509_verify_cert_error_string)
    LUMETTA_RESOLVE(ssl, OPENSSL_init_ssl)
    LUMETTA_RESOLVE(ssl, TLS_client_method)
    LUMETTA_RESOLVE(ssl, SSL_CTX_new)
    LUMETTA_RESOLVE(ssl, SSL_CTX_free)
    LUMETTA_RESOLVE(ssl, SSL_CTX_ctrl)
    LUMETTA_RESOLVE(ssl, SSL_CTX_set_default_verify_paths)
    LUMETTA_RESOLVE(ssl, SSL_CTX_load_verify_locations)
    LUMETTA_RESOLVE(ssl, SSL_CTX_set_verify)
    LUMETTA_RESOLVE(ssl, SSL_CTX_get_cert_store)
    LUMETTA_RESOLVE(ssl, SSL_new)
    LUMETTA_RESOLVE(ssl, SSL_free)
    LUMETTA_RESOLVE(ssl, SSL_set_bio)
    LUMETTA_RESOLVE(ssl, SSL_ctrl)
    LUMETTA_RESOLVE(ssl, SSL_set1_host)
    LUMETTA_RESOLVE(ssl, SSL_set_hostflags)
    LUMETTA_RESOLVE(ssl, SSL_get0_param)
    LUMETTA_RESOLVE(ssl, SSL_connect)
    LUMETTA_RESOLVE(ssl, SSL_read)
    LUMETTA_RESOLVE(ssl, SSL_write)
    LUMETTA_RESOLVE(ssl, SSL_get_error)
    LUMETTA_RESOLVE(ssl, SSL_shutdown)
    LUMETTA_RESOLVE(ssl, SSL_get_verify_result)
    return table;
}

#undef LUMETTA_RESOLVE

std::unique_ptr<OpenSslApi> load(const QString &sslName, const QString &cryptoName)
{
    QLibrary crypto(cryptoName);
    QLibrary ssl(sslName);
    if (!crypto.load() || !ssl.load())
        return nullptr;
    auto table = resolveAll(crypto, ssl);
    if (!table)
        return nullptr;
    const uint64_t strings = OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS;
    if (table->OPENSSL_init_ssl(strings, nullptr) != 1)
        return nullptr;
    return table;
}

} // namespace

QString OpenSslApi::takeErrorString() const
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return QString();
    char text[161] = {};
    ERR_error_string_n(code, text, sizeof text);
    return QString::fromUtf8(text);
}

const OpenSslApi *OpenSslLibrary::api()
{
    LoaderState &loader = state();
    const QMutexLocker locker(&loader.lock);
    if (loader.current == nullptr) {
        if (auto table = load(loader.sslName, loader.cryptoName)) {
            loader.current = table.get();
            loader.tables.push_back(std::move(table));
        }
    }
    return loader.current;
}

void OpenSslLibrary::setLibraryNames(const QString &sslName, const QString &cryptoName)
{
    LoaderState &loader = state();
    const QMutexLocker locker(&loader.lock);
    loader.sslName = sslName.isEmpty() ? defaultSslName() : sslName;
    loader.cryptoName = cryptoName.isEmpty() ? defaultCryptoName() : cryptoName;
    loader.current = nullptr;
}
