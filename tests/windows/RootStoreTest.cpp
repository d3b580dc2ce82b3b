#include "net/OpenSslLibrary.h"
#include "net/SystemTrustStore.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <wincrypt.h>

#include <QSet>

namespace {

QByteArray derOf(X509 *certificate)
{
    unsigned char *der = nullptr;
    const int length = i2d_X509(certificate, &der);
    QByteArray bytes(reinterpret_cast<const char *>(der), qMax(length, 0));
    OPENSSL_free(der);
    return bytes;
}

// The certificates of the system's ROOT store, as Windows lists them.
QList<QByteArray> systemRoots()
{
    QList<QByteArray> roots;
    HCERTSTORE store = CertOpenSystemStoreW(0, L"ROOT");
    if (store == nullptr)
        return roots;
    for (PCCERT_CONTEXT entry = CertEnumCertificatesInStore(store, nullptr); entry != nullptr;
         entry = CertEnumCertificatesInStore(store, entry))
        roots.append(QByteArray(reinterpret_cast<const char *>(entry->pbCertEncoded),
                                int(entry->cbCertEncoded)));
    CertCloseStore(store, 0);
    return roots;
}

} // namespace

// On Windows the trusted roots live in the system store, where OpenSSL does not look.
TEST(RootStore, EveryRootOfTheSystemStoreIsTrustedByTheContext)
{
    const QList<QByteArray> roots = systemRoots();
    if (roots.isEmpty())
        GTEST_SKIP() << "this system's ROOT store is empty";
    const OpenSslApi *api = OpenSslLibrary::api();
    ASSERT_NE(api, nullptr);
    SSL_CTX *context = api->SSL_CTX_new(api->TLS_client_method());
    ASSERT_NE(context, nullptr);
    addSystemTrustStore(*api, context);

    QSet<QByteArray> trusted;
    STACK_OF(X509_OBJECT) *objects = X509_STORE_get0_objects(SSL_CTX_get_cert_store(context));
    for (int i = 0; i < sk_X509_OBJECT_num(objects); ++i) {
        if (X509 *certificate = X509_OBJECT_get0_X509(sk_X509_OBJECT_value(objects, i)))
            trusted.insert(derOf(certificate));
    }
    api->SSL_CTX_free(context);

    int parsed = 0;
    for (const QByteArray &root : roots) {
        const auto *der = reinterpret_cast<const unsigned char *>(root.constData());
        X509 *certificate = d2i_X509(nullptr, &der, long(root.size()));
        if (certificate == nullptr)
            continue; // what OpenSSL cannot read it cannot trust either
        ++parsed;
        EXPECT_TRUE(trusted.contains(derOf(certificate)));
        X509_free(certificate);
    }
    EXPECT_GT(parsed, 0);
}
