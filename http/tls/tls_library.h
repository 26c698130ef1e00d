#pragma once

#include <openssl/types.h>

namespace http {

// Initialises OpenSSL once per process under its own lock; false when that fails (a later call
// tries again).
bool loadTlsLibrary();

// A socket BIO that sends with MSG_NOSIGNAL, so that writing to a peer that has gone raises an
// error instead of killing the process with SIGPIPE. Does not close the socket when freed.
BIO* newNoSignalSocketBio(int socket);

}  // namespace http
