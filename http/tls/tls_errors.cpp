#include "http/tls/tls_errors.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <array>
#include <cstring>

#include "http/transport/socket_error.h"
#include "text/utf8_codec.h"

namespace http {
namespace {

constexpr std::size_t kErrorTextLimit = 160;

std::u16string prefixed(std::u16string_view message, std::u16string_view detail) {
  std::u16string text(message);
  if (!text.empty()) text += u"\r\n";
  text += detail;
  return text;
}

}  // namespace

std::u16string tlsLibraryErrorText(unsigned long code) {
  std::array<char, kErrorTextLimit> text{};
  ERR_error_string_n(code, text.data(), text.size());
  return text::utf8ToUtf16(std::string_view(text.data(), std::strlen(text.data())));
}

unsigned long takeTlsLibraryError() { return ERR_get_error(); }

std::u16string tlsCryptoErrorMessage(std::u16string_view message, unsigned long code) {
  return prefixed(message, tlsLibraryErrorText(code));
}

void raiseTlsSessionError(std::u16string_view message, const TlsCallOutcome& outcome,
                          const TlsApiErrorFactory& raise) {
  if (outcome.code == SSL_ERROR_SSL) raiseTlsCryptoError<TlsUnderlyingCryptoError>(message);
  if (outcome.code == SSL_ERROR_SYSCALL) {
    const unsigned long queued = takeTlsLibraryError();
    if (queued != 0) throw TlsUnderlyingCryptoError(tlsCryptoErrorMessage(message, queued), queued);
    if (outcome.result == 0) {
      raise(prefixed(message, tls_text::kEofViolation), SSL_ERROR_SYSCALL, 0);
    } else if (outcome.result == -1) {
      raiseSocketError(socketErrorFromErrno(outcome.systemError));
    }
  }
  std::u16string text =
      prefixed(message, tlsLibraryErrorText(static_cast<unsigned long>(outcome.code)));
  raise(text, outcome.code, outcome.result);
  // A factory that returned: raise the general session error instead.
  throw TlsApiError(std::move(text), outcome.code, outcome.result);
}

}  // namespace http
