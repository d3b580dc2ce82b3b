#ifdef _WIN32
// Ahead of OpenSSL's headers, which undo the names wincrypt.h takes over; windows.h first.
#include <windows.h>

#include <wincrypt.h>
#endif

#include "net/SystemTrustStore.h"

#ifdef _WIN32
#include <QLibrary>

namespace {

// crypt32 is loaded at run time like OpenSSL itself, so linking needs nothing extra.
struct CryptoApi
{
    decltype(&::CertOpenSystemStoreW) openStore = nullptr;
    decltype(&::CertEnumCertificatesInStore) nextCertificate = nullptr;
    decltype(&::CertCloseStore) closeStore = nullptr;
};

bool resolveCryptoApi(CryptoApi &api)
{
    QLibrary library(QStringLiteral("crypt32"));
    api.openStore =
        reinterpret_cast<decltype(api.openStore)>(library.resolve("CertOpenSystemStoreW"));
    api.nextCertificate = reinterpret_cast<decltype(api.nextCertificate)>(
        library.resolve("CertEnumCertificatesInStore"));
    api.closeStore = reinterpret_cast<decltype(api.closeStore)>(library.resolve("CertCloseStore"));
    return api.openStore != nullptr && api.nextCertificate != nullptr && api.closeStore != nullptr;
}

} // namespace

void addSystemTrustStore(const OpenSslApi &api, SSL_CTX *context)
{
    CryptoApi crypto;
    if (!resolveCryptoApi(crypto))
        return;
    HCERTSTORE roots = crypto.openStore(0, L"ROOT");
    if (roots == nullptr)
        return;
    X509_STORE *store = api.SSL_CTX_get_cert_store(context);
    for (PCCERT_CONTEXT entry = crypto.nextCertificate(roots, nullptr); entry != nullptr;
         entry = crypto.nextCertificate(roots, entry)) {
        const unsigned char *der = entry->pbCertEncoded;
        if (X509 *certificate = api.d2i_X509(nullptr, &der, long(entry->cbCertEncoded))) {
            api.X509_STORE_add_cert(store, certificate);
            api.X509_free(certificate);
        }
    }
    crypto.closeStore(roots, 0);
    api.ERR_clear_error(); // duplicates and unusable entries are skipped, not errors
}
#else
void addSystemTrustStore(const OpenSslApi &, SSL_CTX *) {}
#endif
