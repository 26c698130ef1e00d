#include "http/tls/openssl_io_handler.h"

#include <openssl/ssl.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>

#include "http/base/scope_guard.h"
#include "http/tls/tls_errors.h"
#include "http/tls/uri_host.h"
#include "http/transport/socket_error.h"

namespace http {
namespace {

// Bounds each blocking receive and send inside the library when no read limit is set.
constexpr int kDefaultSocketLimitMs = 30000;

}  // namespace

OpenSslIoHandler::~OpenSslIoHandler() { releaseTls(); }

void OpenSslIoHandler::releaseTls() noexcept {
  session_.reset();
  context_.reset();
}

void OpenSslIoHandler::createContext() {
  auto context = std::make_unique<TlsContext>(sslOptions_, this);
  context->prepare(TlsContextKind::Client);
  context_ = std::move(context);
}

void OpenSslIoHandler::open() {
  // A session left from an earlier connection must say goodbye before its socket is replaced.
  session_.reset();
  TlsIoHandlerBase::open();
}

void OpenSslIoHandler::close() {
  releaseTls();
  TlsIoHandlerBase::close();
}

void OpenSslIoHandler::openClientSocket() {
  if (!context_) {
    try {
      createContext();
    } catch (const TlsLibraryLoadError&) {
      // A plain connection (a proxy before CONNECT) needs no library.
      if (!passThrough()) throw;
    }
  }
  const bool wanted = passThrough();
  storePassThrough(true);
  {
    // The socket opens plain; the wanted mode comes back however the open ends.
    const ScopeGuard restorePassThrough([&] { storePassThrough(wanted); });
    TlsIoHandlerBase::openClientSocket();
  }
  if (onBeforeConnect) onBeforeConnect();
  startTls();
}

void OpenSslIoHandler::startTls() {
  if (!passThrough()) beginTlsSession();
}

void OpenSslIoHandler::beginTlsSession() {
  if (!context_) throw TlsLibraryLoadError(tls_text::kLibraryLoad);
  if (!session_) session_ = std::make_unique<TlsSession>(this);
  session_->setContext(context_.get());
  setSocketTimeouts(socketLimit());
  try {
    session_->connect(binding()->handle(), serverName(), binding());
  } catch (const NetError&) {
    if (deadline().passed()) deadline().raise();
    throw;
  }
  if (onStatusInfo) onStatusInfo(session_->cipherStatusText());
  storePassThrough(false);
}

std::u16string OpenSslIoHandler::serverName() const {
  if (!uriToCheck().empty()) {
    std::u16string name = hostOfUri(uriToCheck());
    if (!name.empty()) return name;
  }
  return host();
}

int OpenSslIoHandler::socketLimit() const {
  bool cutShort = false;
  return deadline().cut(readTimeout() >= 1 ? readTimeout() : kDefaultSocketLimitMs, cutShort);
}

void OpenSslIoHandler::setSocketTimeouts(int ms) {
  const timeval limit{.tv_sec = ms / 1000, .tv_usec = static_cast<suseconds_t>(ms % 1000) * 1000};
  const int socket = binding()->handle();
  for (const int option : {SO_RCVTIMEO, SO_SNDTIMEO}) {
    SocketStack::checkForSocketError(
        ::setsockopt(socket, SOL_SOCKET, option, &limit, sizeof(limit)));
  }
}

void OpenSslIoHandler::setPassThrough(bool value) {
  if (value == passThrough()) return;
  if (!value) {
    if (hasSocket()) {
      if (!context_) throw TlsLibraryLoadError(tls_text::kLibraryLoad);
      beginTlsSession();
    }
  } else {
    if (session_) session_->shutdown(true);
    if (hasSocket()) setSocketTimeouts(0);
  }
  storePassThrough(value);
}

bool OpenSslIoHandler::readable(int ms) {
  // Decrypted bytes held by the library never show on the socket.
  if (secure() && session_->pending() > 0) return true;
  return TlsIoHandlerBase::readable(ms);
}

int OpenSslIoHandler::receiveRaw(std::span<std::uint8_t> buffer) {
  if (!secure()) return TlsIoHandlerBase::receiveRaw(buffer);
  if (deadline().active()) setSocketTimeouts(socketLimit());
  return session_->read(buffer);
}

int OpenSslIoHandler::sendRaw(std::span<const std::uint8_t> bytes) {
  if (!secure()) return TlsIoHandlerBase::sendRaw(bytes);
  if (deadline().active()) setSocketTimeouts(socketLimit());
  const int count = session_->write(bytes);
  if (count < 0 && deadline().passed()) deadline().raise();
  return count;
}

int OpenSslIoHandler::filterSocketError(int result) {
  if (!secure()) return TlsIoHandlerBase::filterSocketError(result);
  const TlsCallOutcome& outcome = session_->lastOutcome();
  switch (outcome.code) {
    case SSL_ERROR_NONE:
      return 0;
    case SSL_ERROR_SYSCALL:
      // The plain filter reads the failing call's errno.
      errno = outcome.systemError;
      return TlsIoHandlerBase::filterSocketError(-1);
    default:
      raiseTlsSessionError<TlsApiError>(u"", outcome);
  }
}

void OpenSslIoHandler::raiseTransportError(int number) {
  if (secure() && number != socket_errors::kConnectionAborted &&
      number != socket_errors::kConnectionReset && number != socket_errors::kShutdown) {
    raiseTlsSessionError<TlsApiError>(u"",
                                      {SSL_get_error(session_->handle(), number), number, errno});
  }
  TlsIoHandlerBase::raiseTransportError(number);
}

}  // namespace http
