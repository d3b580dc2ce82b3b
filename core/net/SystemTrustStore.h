#pragma once

#include "net/OpenSslLibrary.h"

// Adds the operating system's own trusted root certificates to a TLS context where OpenSSL's
// default locations do not reach them: on Windows the roots live in the system certificate
// store, not in files. Elsewhere the default verify paths already are the system's store.
void addSystemTrustStore(const OpenSslApi &api, SSL_CTX *context);
