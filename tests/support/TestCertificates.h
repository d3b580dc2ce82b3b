#pragma once

#include <QByteArray>
#include <QString>

// A certificate with its private key, both PEM.
struct TestCertificate
{
    QByteArray certificatePem;
    QByteArray privateKeyPem;
};

// Certificates made at test time with OpenSSL, once per process (P-256 keys, SHA-256).
// The leaves name 127.0.0.1, ::1 and localhost unless said otherwise; each is valid from a
// day ago for a year unless said otherwise.
class TestCertificates
{
public:
    // The test certificate authority that signs the leaves below.
    static const TestCertificate &authority();
    // Signed by the authority; the one a client that trusts the authority accepts.
    static const TestCertificate &localhost();
    // The same names, signed by its own key.
    static const TestCertificate &selfSigned();
    // Signed by the authority, but its validity ended yesterday.
    static const TestCertificate &expired();
    // Signed by the authority, for the name wrong-host.example only.
    static const TestCertificate &wrongHost();

    // Writes the authority's certificate as "test-authority.pem" in the directory and
    // returns the file's path (for TlsChannel::setExtraCaFile).
    static QString writeAuthorityFile(const QString &directory);
};
