#include "http/tls/tls_session.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "http/tls/tls_context.h"
#include "http/tls/tls_library.h"
#include "text/utf8_codec.h"

namespace http {
namespace {

constexpr int kMaxChunk = INT_MAX;

int chunkOf(std::size_t size) { return static_cast<int>(std::min<std::size_t>(size, kMaxChunk)); }

std::u16string asciiText(const char* text) {
  return text == nullptr ? std::u16string()
                         : text::utf8ToUtf16(std::string_view(text, std::strlen(text)));
}

}  // namespace

void TlsSession::Free::operator()(SSL* session) const noexcept { SSL_free(session); }

TlsSession::~TlsSession() { release(); }

void TlsSession::release() noexcept {
  if (!handle_) return;
  ERR_clear_error();
  SSL_shutdown(handle_.get());
  handle_.reset();
  // A shutdown refused after a failed handshake leaves its reason queued; nobody asks for it.
  ERR_clear_error();
}

TlsCallOutcome TlsSession::outcomeOf(int result, int systemError) const {
  TlsCallOutcome outcome{SSL_get_error(handle_.get(), result), result, systemError};
  if (outcome.code == SSL_ERROR_SSL) {
    const unsigned long queued = ERR_peek_error();
    if (ERR_GET_LIB(queued) == ERR_LIB_SSL &&
        ERR_GET_REASON(queued) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
      ERR_get_error();
      outcome = {SSL_ERROR_SYSCALL, 0, 0};
    }
  } else if ((outcome.code == SSL_ERROR_WANT_READ || outcome.code == SSL_ERROR_WANT_WRITE) &&
             (systemError == EAGAIN || systemError == EWOULDBLOCK)) {
    // The socket is blocking: "try again" only means SO_RCVTIMEO or SO_SNDTIMEO ran out.
    outcome = {SSL_ERROR_SYSCALL, -1, ETIMEDOUT};
  }
  return outcome;
}

void TlsSession::connect(int socket, std::u16string hostName, void* appData) {
  release();
  ERR_clear_error();
  handle_.reset(SSL_new(context_->handle()));
  if (!handle_) {
    ERR_clear_error();
    throw TlsSessionCreateError(tls_text::kSessionCreate);
  }
  SSL* session = handle_.get();
  if (SSL_set_app_data(session, appData) < 1) {
    raiseTlsSessionError<TlsDataBindingError>(tls_text::kDataBinding, outcomeOf(0, errno));
  }
  BIO* bio = newNoSignalSocketBio(socket);
  if (bio == nullptr) {
    raiseTlsSessionError<TlsFdSetError>(tls_text::kFdSet, outcomeOf(0, errno));
  }
  SSL_set_bio(session, bio, bio);

  hostName_ = std::move(hostName);
  SSL_set_tlsext_host_name(session, text::utf16ToUtf8(hostName_).c_str());
  // An empty name is refused and leaves a reason queued that must not colour the handshake.
  ERR_clear_error();

  errno = 0;
  const int result = SSL_connect(session);
  const int systemError = errno;
  if (result < 1) {
    raiseTlsSessionError<TlsConnectError>(tls_text::kConnect, outcomeOf(result, systemError));
  }
}

int TlsSession::read(std::span<std::uint8_t> buffer) {
  for (;;) {
    ERR_clear_error();
    errno = 0;
    const int result = SSL_read(handle_.get(), buffer.data(), chunkOf(buffer.size()));
    if (result > 0) return result;
    lastOutcome_ = outcomeOf(result, errno);
    switch (lastOutcome_.code) {
      case SSL_ERROR_WANT_READ:
      case SSL_ERROR_WANT_WRITE:
        continue;
      case SSL_ERROR_ZERO_RETURN:
        return 0;
      default:
        return lastOutcome_.result;
    }
  }
}

int TlsSession::write(std::span<const std::uint8_t> bytes) {
  std::size_t offset = 0;
  while (offset < bytes.size()) {
    ERR_clear_error();
    errno = 0;
    const int result =
        SSL_write(handle_.get(), bytes.data() + offset, chunkOf(bytes.size() - offset));
    if (result > 0) {
      offset += static_cast<std::size_t>(result);
      continue;
    }
    lastOutcome_ = outcomeOf(result, errno);
    switch (lastOutcome_.code) {
      case SSL_ERROR_WANT_READ:
      case SSL_ERROR_WANT_WRITE:
        continue;
      case SSL_ERROR_ZERO_RETURN:
        return 0;
      default:
        return lastOutcome_.result;
    }
  }
  return static_cast<int>(offset);
}

int TlsSession::pending() const { return handle_ ? SSL_pending(handle_.get()) : 0; }

void TlsSession::shutdown(bool waitForPeer) {
  if (!handle_) return;
  ERR_clear_error();
  if (SSL_shutdown(handle_.get()) == 0 && waitForPeer) SSL_shutdown(handle_.get());
  ERR_clear_error();
}

std::u16string TlsSession::cipherStatusText() const {
  const SSL_CIPHER* cipher = handle_ ? SSL_get_current_cipher(handle_.get()) : nullptr;
  if (cipher == nullptr) return {};
  std::array<char, 256> description{};
  SSL_CIPHER_description(cipher, description.data(), static_cast<int>(description.size()));
  return u"Cipher: name = " + asciiText(SSL_CIPHER_get_name(cipher)) + u"; description = " +
         asciiText(description.data()) + u"; bits = " +
         text::latin1ToUtf16(std::to_string(SSL_CIPHER_get_bits(cipher, nullptr))) +
         u"; version = " + asciiText(SSL_CIPHER_get_version(cipher)) + u"; ";
}

}  // namespace http
