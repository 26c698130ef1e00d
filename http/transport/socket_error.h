#pragma once

#include <string>

#include "http/base/error.h"

namespace http {

// A failing socket call. lastError() is the Winsock-style number (10061, 11001, ...) and the
// message is "Socket Error # <number>" CR LF the number's text.
class SocketError : public NetError {
 public:
  explicit SocketError(int lastError);
  SocketError(int lastError, std::u16string message);

  [[nodiscard]] int lastError() const noexcept { return lastError_; }
  [[nodiscard]] const char* className() const noexcept override { return "SocketError"; }

 private:
  int lastError_;
};

// Raised instead of SocketError for 10038 (socket operation on non-socket).
HTTP_DECLARE_ERROR(NotASocketError, SocketError);

HTTP_DECLARE_ERROR(SocketStackError, NetError);
HTTP_DECLARE_ERROR(SocketHandleError, NetError);
HTTP_DECLARE_ERROR(IpVersionChangeError, SocketHandleError);
HTTP_DECLARE_ERROR(IpVersionUnsupportedError, NetError);
HTTP_DECLARE_ERROR(InvalidPortRangeError, SocketHandleError);
HTTP_DECLARE_ERROR(PortRangeBindError, SocketHandleError);

// Winsock-style error numbers used across the transport.
namespace socket_errors {
inline constexpr int kInterrupted = 10004;
inline constexpr int kWouldBlock = 10035;
inline constexpr int kInProgress = 10036;
inline constexpr int kNotASocket = 10038;
inline constexpr int kConnectionAborted = 10053;
inline constexpr int kConnectionReset = 10054;
inline constexpr int kNotConnected = 10057;
inline constexpr int kShutdown = 10058;
inline constexpr int kTimedOut = 10060;
inline constexpr int kConnectionRefused = 10061;
inline constexpr int kHostUnreachable = 10065;
inline constexpr int kHostNotFound = 11001;
}  // namespace socket_errors

// The fixed text of an error number; empty for numbers outside the table.
std::u16string socketErrorText(int number);

// "Socket Error # %d\r\n%s" for the number.
std::u16string socketErrorMessage(int number);

// Raises SocketError (NotASocketError for 10038) for the number.
[[noreturn]] void raiseSocketError(int number);

// Maps an errno value onto the Winsock-style number (unknown values map to themselves).
int socketErrorFromErrno(int errnoValue);

// Maps a getaddrinfo() result code onto the Winsock-style number (EAI_NONAME -> 11001, ...).
int socketErrorFromResolver(int resolverCode, int errnoValue);

}  // namespace http
