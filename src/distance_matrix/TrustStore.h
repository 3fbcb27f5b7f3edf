#pragma once

#include <QByteArray>

#include <openssl/types.h>

namespace trajetix::truststore {

// The certificate authorities a secure connection is checked against, built once and
// shared by every client that names the same CA file. libcurl would otherwise build a
// store of its own from the bundle for each connection: with OpenSSL 3 that takes tens of
// milliseconds and about 1 MB each, so a run on many connections would pay both per job.
//
// The store holds the bundle file (caFile, or else libcurl's built-in default) and looks
// certificates up in libcurl's built-in certificate folder, as libcurl itself would. Null
// when the file cannot be read. Thread-safe; the store lives until the process ends.
X509_STORE *shared(const QByteArray &caFile);

// Whether libcurl checks peers with OpenSSL, so that it can be handed the shared store.
// Otherwise libcurl loads the certificates itself.
bool available();

// The number of certificates (and revocation lists) the store holds so far.
int objectCount(X509_STORE *store);

} // namespace trajetix::truststore
