#include "http/transport/socket_error.h"

#include <netdb.h>

#include <cerrno>
#include <string>

#include "http/transport/utf.h"

namespace http {
namespace {

struct ErrorText {
  int number;
  const char16_t* text;
};

constexpr ErrorText kErrorTexts[] = {
    {10004, u"Interrupted system call."},
    {10009, u"Bad file number."},
    {10013, u"Access denied."},
    {10014, u"Buffer fault."},
    {10022, u"Invalid argument."},
    {10024, u"Too many open files."},
    {10035, u"Operation would block."},
    {10036, u"Operation now in progress."},
    {10037, u"Operation already in progress."},
    {10038, u"Socket operation on non-socket."},
    {10039, u"Destination address required."},
    {10040, u"Message too long."},
    {10041, u"Protocol wrong type for socket."},
    {10042, u"Bad protocol option."},
    {10043, u"Protocol not supported."},
    {10044, u"Socket type not supported."},
    {10045, u"Operation not supported on socket."},
    {10046, u"Protocol family not supported."},
    {10047, u"Address family not supported by protocol family."},
    {10048, u"Address already in use."},
    {10049, u"Cannot assign requested address."},
    {10050, u"Network is down."},
    {10051, u"Network is unreachable."},
    {10052, u"Net dropped connection or reset."},
    {10053, u"Software caused connection abort."},
    {10054, u"Connection reset by peer."},
    {10055, u"No buffer space available."},
    {10056, u"Socket is already connected."},
    {10057, u"Socket is not connected."},
    {10058, u"Cannot send or receive after socket is closed."},
    {10059, u"Too many references, cannot splice."},
    {10060, u"Connection timed out."},
    {10061, u"Connection refused."},
    {10062, u"Too many levels of symbolic links."},
    {10063, u"File name too long."},
    {10064, u"Host is down."},
    {10065, u"No route to host."},
    {10066, u"Directory not empty"},
    {11001, u"Host not found."},
};

}  // namespace

SocketError::SocketError(int lastError) : SocketError(lastError, socketErrorMessage(lastError)) {}

SocketError::SocketError(int lastError, std::u16string message)
    : NetError(std::move(message)), lastError_(lastError) {}

std::u16string socketErrorText(int number) {
  for (const auto& entry : kErrorTexts) {
    if (entry.number == number) return entry.text;
  }
  return {};
}

std::u16string socketErrorMessage(int number) {
  return u"Socket Error # " + fromAscii(std::to_string(number)) + u"\r\n" + socketErrorText(number);
}

void raiseSocketError(int number) {
  if (number == socket_errors::kNotASocket) throw NotASocketError(number);
  throw SocketError(number);
}

int socketErrorFromErrno(int errnoValue) {
  switch (errnoValue) {
    case EINTR:
      return 10004;
    case EBADF:
      return 10009;
    case EACCES:
    case EPERM:
      return 10013;
    case EFAULT:
      return 10014;
    case EINVAL:
      return 10022;
    case EMFILE:
    case ENFILE:
      return 10024;
#if EAGAIN != EWOULDBLOCK
    case EWOULDBLOCK:
#endif
    case EAGAIN:
      return 10035;
    case EINPROGRESS:
      return 10036;
    case EALREADY:
      return 10037;
    case ENOTSOCK:
      return 10038;
    case EDESTADDRREQ:
      return 10039;
    case EMSGSIZE:
      return 10040;
    case EPROTOTYPE:
      return 10041;
    case ENOPROTOOPT:
      return 10042;
    case EPROTONOSUPPORT:
      return 10043;
    case ESOCKTNOSUPPORT:
      return 10044;
#if EOPNOTSUPP != ENOTSUP
    case ENOTSUP:
#endif
    case EOPNOTSUPP:
      return 10045;
    case EPFNOSUPPORT:
      return 10046;
    case EAFNOSUPPORT:
      return 10047;
    case EADDRINUSE:
      return 10048;
    case EADDRNOTAVAIL:
      return 10049;
    case ENETDOWN:
      return 10050;
    case ENETUNREACH:
      return 10051;
    case ENETRESET:
      return 10052;
    case ECONNABORTED:
      return 10053;
    case ECONNRESET:
      return 10054;
    case ENOBUFS:
    case ENOMEM:
      return 10055;
    case EISCONN:
      return 10056;
    case ENOTCONN:
      return 10057;
    case EPIPE:
    case ESHUTDOWN:
      return 10058;
    case ETOOMANYREFS:
      return 10059;
    case ETIMEDOUT:
      return 10060;
    case ECONNREFUSED:
      return 10061;
    case ELOOP:
      return 10062;
    case ENAMETOOLONG:
      return 10063;
    case EHOSTDOWN:
      return 10064;
    case EHOSTUNREACH:
      return 10065;
    case ENOTEMPTY:
      return 10066;
    default:
      return errnoValue;
  }
}

int socketErrorFromResolver(int resolverCode, int errnoValue) {
  switch (resolverCode) {
    case 0:
      return 0;
    case EAI_AGAIN:
      return 11002;  // temporary failure, try again
    case EAI_BADFLAGS:
      return 10022;
    case EAI_FAIL:
      return 11003;  // non-recoverable failure
    case EAI_FAMILY:
      return 10047;
    case EAI_MEMORY:
      return 8;  // not enough memory
#ifdef EAI_NODATA
    case EAI_NODATA:
      return 11004;  // valid name, no data of the requested type
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
    case EAI_NONAME:
      return 11001;
    case EAI_SERVICE:
      return 10109;
    case EAI_SOCKTYPE:
      return 10044;
    case EAI_SYSTEM:
      return socketErrorFromErrno(errnoValue);
    default:
      return resolverCode < 0 ? -resolverCode : resolverCode;
  }
}

}  // namespace http
