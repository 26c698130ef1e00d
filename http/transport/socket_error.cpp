#include "http/transport/socket_error.h"

#include <netdb.h>

#include <cerrno>
#include <string>

#include "text/utf8_codec.h"

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
  return u"Socket Error # " + text::latin1ToUtf16(std::to_string(number)) + u"\r\n" +
         socketErrorText(number);
}

void raiseSocketError(int number) {
  if (number == socket_errors::kNotASocket) throw NotASocketError(number);
  throw SocketError(number);
}

namespace {

struct ErrnoMapping {
  int errnoValue;
  int number;
};

// errno values and their Winsock-style numbers; aliases (EWOULDBLOCK, ENOTSUP) map as well.
constexpr ErrnoMapping kErrnoMappings[] = {
    {EINTR, 10004},         {EBADF, 10009},           {EACCES, 10013},          {EPERM, 10013},
    {EFAULT, 10014},        {EINVAL, 10022},          {EMFILE, 10024},          {ENFILE, 10024},
    {EAGAIN, 10035},        {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},     {EALREADY, 10037},
    {ENOTSOCK, 10038},      {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},   {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},
    {ENOTSUP, 10045},       {EPFNOSUPPORT, 10046},    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},        {ENETUNREACH, 10051},     {ENETRESET, 10052},
    {ECONNABORTED, 10053},  {ECONNRESET, 10054},      {ENOBUFS, 10055},         {ENOMEM, 10055},
    {EISCONN, 10056},       {ENOTCONN, 10057},        {EPIPE, 10058},           {ESHUTDOWN, 10058},
    {ETOOMANYREFS, 10059},  {ETIMEDOUT, 10060},       {ECONNREFUSED, 10061},    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},  {EHOSTDOWN, 10064},       {EHOSTUNREACH, 10065},    {ENOTEMPTY, 10066},
};

}  // namespace

int socketErrorFromErrno(int errnoValue) {
  for (const ErrnoMapping& mapping : kErrnoMappings) {
    if (mapping.errnoValue == errnoValue) return mapping.number;
  }
  return errnoValue;
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
