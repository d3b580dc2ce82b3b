#include "TestCertificates.h"

#include <QDir>
#include <QFile>

#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>

namespace {

constexpr long Day = 24 * 60 * 60;

struct KeyFree
{
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
struct CertificateFree
{
    void operator()(X509 *certificate) const { X509_free(certificate); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Certificate = std::unique_ptr<X509, CertificateFree>;

void check(bool ok, const char *what)
{
    if (!ok)
        throw std::runtime_error(std::string("test certificate: ") + what);
}

struct Issuer
{
    X509 *certificate;
    EVP_PKEY *key;
};

struct Request
{
    const char *commonName;
    const char *subjectAltName; // null: none
    bool authority;
    long validFrom; // seconds from now
    long validUntil;
};

void addExtension(X509 *certificate, X509V3_CTX *context, int nid, const char *value)
{
    X509_EXTENSION *extension = X509V3_EXT_conf_nid(nullptr, context, nid, value);
    check(extension != nullptr, "extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

void addExtensions(X509 *certificate, X509 *issuer, const Request &request)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    addExtension(certificate, &context, NID_basic_constraints,
                 request.authority ? "critical,CA:TRUE" : "critical,CA:FALSE");
    addExtension(certificate, &context, NID_key_usage,
                 request.authority ? "critical,keyCertSign,cRLSign"
                                   : "critical,digitalSignature,keyEncipherment");
    addExtension(certificate, &context, NID_subject_key_identifier, "hash");
    if (issuer != certificate)
        addExtension(certificate, &context, NID_authority_key_identifier, "keyid:always");
    if (request.subjectAltName != nullptr)
        addExtension(certificate, &context, NID_subject_alt_name, request.subjectAltName);
}

Certificate makeCertificate(EVP_PKEY *key, const Request &request, const Issuer *issuer)
{
    static long serial = 1;
    Certificate certificate(X509_new());
    X509 *x = certificate.get();
    check(x != nullptr && X509_set_version(x, 2) == 1, "version");
    ASN1_INTEGER_set(X509_get_serialNumber(x), serial++);
    X509_gmtime_adj(X509_getm_notBefore(x), request.validFrom);
    X509_gmtime_adj(X509_getm_notAfter(x), request.validUntil);
    check(X509_set_pubkey(x, key) == 1, "public key");
    X509_NAME *name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>("Lumetta tests"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>(request.commonName), -1, -1,
                               0);
    X509 *signer = issuer != nullptr ? issuer->certificate : x;
    X509_set_issuer_name(x, X509_get_subject_name(signer));
    addExtensions(x, signer, request);
    check(X509_sign(x, issuer != nullptr ? issuer->key : key, EVP_sha256()) > 0, "signature");
    return certificate;
}

QByteArray drain(BIO *bio)
{
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    QByteArray bytes(data, size);
    BIO_free(bio);
    return bytes;
}

TestCertificate toPem(X509 *certificate, EVP_PKEY *key)
{
    BIO *certificateBio = BIO_new(BIO_s_mem());
    BIO *keyBio = BIO_new(BIO_s_mem());
    check(PEM_write_bio_X509(certificateBio, certificate) == 1, "certificate PEM");
    check(PEM_write_bio_PrivateKey(keyBio, key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
          "key PEM");
    return {drain(certificateBio), drain(keyBio)};
}

Key newKey()
{
    Key key(EVP_EC_gen("P-256"));
    check(key != nullptr, "key");
    return key;
}

constexpr const char *LoopbackNames = "IP:127.0.0.1,IP:::1,DNS:localhost";

struct Generated
{
    TestCertificate authority;
    TestCertificate localhost;
    TestCertificate selfSigned;
    TestCertificate expired;
    TestCertificate wrongHost;

    Generated()
    {
        const Key authorityKey = newKey();
        const Certificate authorityCertificate =
            makeCertificate(authorityKey.get(),
                            {"Lumetta test authority", nullptr, true, -Day, 3650 * Day}, nullptr);
        authority = toPem(authorityCertificate.get(), authorityKey.get());
        const Issuer issuer{authorityCertificate.get(), authorityKey.get()};
        localhost = leaf({"localhost", LoopbackNames, false, -Day, 365 * Day}, &issuer);
        selfSigned = leaf({"localhost", LoopbackNames, false, -Day, 365 * Day}, nullptr);
        expired = leaf({"localhost", LoopbackNames, false, -30 * Day, -Day}, &issuer);
        wrongHost =
            leaf({"wrong-host.example", "DNS:wrong-host.example", false, -Day, 365 * Day}, &issuer);
    }

    static TestCertificate leaf(const Request &request, const Issuer *issuer)
    {
        const Key key = newKey();
        const Certificate certificate = makeCertificate(key.get(), request, issuer);
        return toPem(certificate.get(), key.get());
    }
};

const Generated &generated()
{
    static const Generated instance;
    return instance;
}

} // namespace

const TestCertificate &TestCertificates::authority()
{
    return generated().authority;
}

const TestCertificate &TestCertificates::localhost()
{
    return generated().localhost;
}

const TestCertificate &TestCertificates::selfSigned()
{
    return generated().selfSigned;
}

const TestCertificate &TestCertificates::expired()
{
    return generated().expired;
}

const TestCertificate &TestCertificates::wrongHost()
{
    return generated().wrongHost;
}

QString TestCertificates::writeAuthorityFile(const QString &directory)
{
    const QString path = QDir(directory).filePath(QStringLiteral("test-authority.pem"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(authority().certificatePem) != authority().certificatePem.size())
        throw std::runtime_error("cannot write the test authority's certificate");
    return path;
}
