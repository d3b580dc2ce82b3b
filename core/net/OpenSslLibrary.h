#pragma once

#include <QString>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

// OpenSSL is loaded at run time, never linked, so that plain connections work on a machine
// without it. Its headers give only the types: every function is reached through this table.
struct OpenSslApi
{
    // libcrypto
    decltype(&::ERR_get_error) ERR_get_error;
    decltype(&::ERR_error_string_n) ERR_error_string_n;
    decltype(&::ERR_clear_error) ERR_clear_error;
    decltype(&::BIO_new) BIO_new;
    decltype(&::BIO_free) BIO_free;
    decltype(&::BIO_s_mem) BIO_s_mem;
    decltype(&::BIO_read) BIO_read;
    decltype(&::BIO_write) BIO_write;
    decltype(&::BIO_ctrl) BIO_ctrl;
    decltype(&::BIO_ctrl_pending) BIO_ctrl_pending;
    decltype(&::X509_VERIFY_PARAM_set1_ip_asc) X509_VERIFY_PARAM_set1_ip_asc;
    decltype(&::d2i_X509) d2i_X509;
    decltype(&::X509_free) X509_free;
    decltype(&::X509_STORE_add_cert) X509_STORE_add_cert;
    decltype(&::X509_verify_cert_error_string) X509_verify_cert_error_string;
    // libssl
    decltype(&::OPENSSL_init_ssl) OPENSSL_init_ssl;
    decltype(&::TLS_client_method) TLS_client_method;
    decltype(&::SSL_CTX_new) SSL_CTX_new;
    decltype(&::SSL_CTX_free) SSL_CTX_free;
    decltype(&::SSL_CTX_ctrl) SSL_CTX_ctrl;
    decltype(&::SSL_CTX_set_default_verify_paths) SSL_CTX_set_default_verify_paths;
    decltype(&::SSL_CTX_load_verify_locations) SSL_CTX_load_verify_locations;
    decltype(&::SSL_CTX_set_verify) SSL_CTX_set_verify;
    decltype(&::SSL_CTX_get_cert_store) SSL_CTX_get_cert_store;
    decltype(&::SSL_new) SSL_new;
    decltype(&::SSL_free) SSL_free;
    decltype(&::SSL_set_bio) SSL_set_bio;
    decltype(&::SSL_ctrl) SSL_ctrl;
    decltype(&::SSL_set1_host) SSL_set1_host;
    decltype(&::SSL_set_hostflags) SSL_set_hostflags;
    decltype(&::SSL_get0_param) SSL_get0_param;
    decltype(&::SSL_connect) SSL_connect;
    decltype(&::SSL_read) SSL_read;
    decltype(&::SSL_write) SSL_write;
    decltype(&::SSL_get_error) SSL_get_error;
    decltype(&::SSL_shutdown) SSL_shutdown;
    decltype(&::SSL_get_verify_result) SSL_get_verify_result;

    // The library's text for the oldest queued error (at most 160 characters); clears the
    // queue. Empty when nothing is queued.
    QString takeErrorString() const;
};

// Loads and initialises OpenSSL 3 once per process, under a lock.
class OpenSslLibrary
{
public:
    // The resolved functions, or null when the library cannot be loaded; a later call
    // tries again. The table stays valid until the process ends.
    static const OpenSslApi *api();

    // Replaces the file names tried (tests use names that do not exist) and forgets the
    // loaded table, so that the next api() loads again. Empty names restore the defaults.
    static void setLibraryNames(const QString &sslName, const QString &cryptoName);
};
