#include "http/tls/tls_library.h"

#include <openssl/bio.h>
#include <openssl/ssl.h>
#include <sys/socket.h>

#include <mutex>

namespace http {
namespace {

std::mutex loaderLock;
bool loaded = false;

int sendWithoutSignal(BIO* bio, const char* data, int length) {
  const int socket = static_cast<int>(BIO_get_fd(bio, nullptr));
  const auto sent = ::send(socket, data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
  BIO_clear_retry_flags(bio);
  const int result = static_cast<int>(sent);
  if (result <= 0 && BIO_sock_should_retry(result) != 0) BIO_set_retry_write(bio);
  return result;
}

int putsWithoutSignal(BIO* bio, const char* text) {
  return sendWithoutSignal(bio, text, static_cast<int>(std::char_traits<char>::length(text)));
}

// The library's own socket BIO with its write replaced; built once, kept for the process.
const BIO_METHOD* noSignalSocketMethod() {
  static BIO_METHOD* const method = [] {
    const BIO_METHOD* socket = BIO_s_socket();
    BIO_METHOD* own = BIO_meth_new(BIO_TYPE_SOCKET, "socket without SIGPIPE");
    if (own == nullptr) return own;
    BIO_meth_set_write(own, sendWithoutSignal);
    BIO_meth_set_puts(own, putsWithoutSignal);
    BIO_meth_set_read(own, BIO_meth_get_read(socket));
    BIO_meth_set_ctrl(own, BIO_meth_get_ctrl(socket));
    BIO_meth_set_create(own, BIO_meth_get_create(socket));
    BIO_meth_set_destroy(own, BIO_meth_get_destroy(socket));
    return own;
  }();
  return method;
}

}  // namespace

bool loadTlsLibrary() {
  const std::scoped_lock lock(loaderLock);
  if (!loaded) loaded = OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS, nullptr) == 1;
  return loaded;
}

BIO* newNoSignalSocketBio(int socket) {
  const BIO_METHOD* method = noSignalSocketMethod();
  if (method == nullptr) return nullptr;
  BIO* bio = BIO_new(method);
  if (bio != nullptr) BIO_set_fd(bio, socket, BIO_NOCLOSE);
  return bio;
}

}  // namespace http
