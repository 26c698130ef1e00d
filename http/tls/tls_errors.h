#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "http/base/error.h"

namespace http {

HTTP_DECLARE_ERROR(TlsError, NetError);

// A failure that OpenSSL left in its error queue; errorCode() is the queued code.
class TlsCryptoApiError : public TlsError {
 public:
  TlsCryptoApiError(std::u16string message, unsigned long errorCode)
      : TlsError(std::move(message)), errorCode_(errorCode) {}
  [[nodiscard]] unsigned long errorCode() const noexcept { return errorCode_; }
  [[nodiscard]] const char* className() const noexcept override { return "TlsCryptoApiError"; }

 private:
  unsigned long errorCode_;
};

// A failing call on a session: errorCode() is the SSL_get_error() code, retCode() what the call
// returned.
class TlsApiError : public TlsError {
 public:
  TlsApiError(std::u16string message, int errorCode, int retCode)
      : TlsError(std::move(message)), errorCode_(errorCode), retCode_(retCode) {}
  [[nodiscard]] int errorCode() const noexcept { return errorCode_; }
  [[nodiscard]] int retCode() const noexcept { return retCode_; }
  [[nodiscard]] const char* className() const noexcept override { return "TlsApiError"; }

 private:
  int errorCode_;
  int retCode_;
};

HTTP_DECLARE_ERROR(TlsLibraryLoadError, TlsError);
HTTP_DECLARE_ERROR(TlsModeNotSetError, TlsError);
HTTP_DECLARE_ERROR(TlsMethodError, TlsError);
HTTP_DECLARE_ERROR(TlsCipherError, TlsError);
HTTP_DECLARE_ERROR(TlsSessionCreateError, TlsError);
HTTP_DECLARE_ERROR(TlsContextCreateError, TlsCryptoApiError);
HTTP_DECLARE_ERROR(TlsUnderlyingCryptoError, TlsCryptoApiError);
HTTP_DECLARE_ERROR(TlsRootCertLoadError, TlsCryptoApiError);
HTTP_DECLARE_ERROR(TlsCertLoadError, TlsCryptoApiError);
HTTP_DECLARE_ERROR(TlsKeyLoadError, TlsCryptoApiError);
HTTP_DECLARE_ERROR(TlsDhParamsLoadError, TlsCryptoApiError);
HTTP_DECLARE_ERROR(TlsDataBindingError, TlsApiError);
HTTP_DECLARE_ERROR(TlsFdSetError, TlsApiError);
HTTP_DECLARE_ERROR(TlsConnectError, TlsApiError);

namespace tls_text {
inline constexpr char16_t kLibraryLoad[] = u"Could not load SSL library.";
inline constexpr char16_t kModeNotSet[] = u"Mode has not been set.";
inline constexpr char16_t kMethod[] = u"Error getting SSL method.";
inline constexpr char16_t kContextCreate[] = u"Error creating SSL context.";
inline constexpr char16_t kCipher[] = u"SetCipher failed.";
inline constexpr char16_t kSessionCreate[] = u"Error creating SSL session.";
inline constexpr char16_t kDataBinding[] = u"Error binding data to SSL socket.";
inline constexpr char16_t kFdSet[] = u"Error setting File Descriptor for SSL";
inline constexpr char16_t kConnect[] = u"Error connecting with SSL.";
inline constexpr char16_t kRootCertLoad[] = u"Could not load root certificate.";
inline constexpr char16_t kCertLoad[] = u"Could not load certificate.";
inline constexpr char16_t kKeyLoad[] = u"Could not load key, check password.";
inline constexpr char16_t kDhParamsLoad[] = u"Could not load DH Parameters.";
inline constexpr char16_t kEofViolation[] = u"EOF was observed that violates the protocol";
}  // namespace tls_text

// What a session call came to: the SSL_get_error() code, the call's result and the errno that
// the call left behind.
struct TlsCallOutcome {
  int code = 0;
  int result = 0;
  int systemError = 0;
};

// The OpenSSL text of a code (at most 160 bytes, as ERR_error_string_n gives it).
std::u16string tlsLibraryErrorText(unsigned long code);

// Takes the oldest code from the calling thread's OpenSSL error queue (0 when empty).
unsigned long takeTlsLibraryError();

// message CR LF the code's text, or the text alone when message is empty.
std::u16string tlsCryptoErrorMessage(std::u16string_view message, unsigned long code);

// Raises ErrorType for the oldest queued library error.
template <typename ErrorType>
[[noreturn]] void raiseTlsCryptoError(std::u16string_view message) {
  const unsigned long code = takeTlsLibraryError();
  throw ErrorType(tlsCryptoErrorMessage(message, code), code);
}

using TlsApiErrorFactory = std::function<void(std::u16string message, int code, int result)>;

// Raises the error a failed session call stands for: a queued library error as
// TlsUnderlyingCryptoError, an end of stream in the middle of the protocol and any other code
// through raise (message CR LF the detail), a system error as the socket error of its errno.
[[noreturn]] void raiseTlsSessionError(std::u16string_view message, const TlsCallOutcome& outcome,
                                       const TlsApiErrorFactory& raise);

template <typename ErrorType>
[[noreturn]] void raiseTlsSessionError(std::u16string_view message, const TlsCallOutcome& outcome) {
  raiseTlsSessionError(message, outcome, [](std::u16string text, int code, int result) {
    throw ErrorType(std::move(text), code, result);
  });
}

}  // namespace http
