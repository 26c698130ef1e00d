#include "http/http_client.h"

#include <algorithm>
#include <array>

#include "http/base/scope_guard.h"
#include "http/charset/charset_encoding.h"
#include "http/cookie_jar.h"
#include "http/detail/http_exchange.h"
#include "http/detail/protocol_text.h"
#include "http/detail/tls_handler_access.h"
#include "http/http_errors.h"
#include "http/transport/connection_errors.h"

namespace http {

using detail::containsIgnoreCase;
using detail::HttpExchange;
using detail::ResponseAction;
namespace tls_access = detail::tls_access;

namespace {

constexpr std::array<std::u16string_view, 5> kMethodsNeedingHttp11 = {u"TRACE", u"PUT", u"OPTIONS",
                                                                      u"DELETE", u"PATCH"};

bool isMethod(const HttpRequest& request, std::u16string_view name) {
  return request.method == name || request.methodOverride == name;
}

// Restores the protocol version when a POST ends, however it ends.
class ProtocolVersionGuard {
 public:
  ProtocolVersionGuard(HttpClient& client, HttpVersion temporary)
      : client_(client), saved_(client.protocolVersion()) {
    client_.setProtocolVersion(temporary);
  }
  ProtocolVersionGuard(const ProtocolVersionGuard&) = delete;
  ProtocolVersionGuard& operator=(const ProtocolVersionGuard&) = delete;
  ~ProtocolVersionGuard() { client_.setProtocolVersion(saved_); }

 private:
  HttpClient& client_;
  HttpVersion saved_;
};

// The body size to announce: the source's, 0 for a POST or PUT without one, else none (-1).
std::int64_t contentLengthOf(const HttpRequest& request) {
  if (request.source) return request.source->size();
  if (request.method == u"POST" || request.method == u"PUT") return 0;
  return -1;
}

// The Host line: the host (in brackets for IPv6), with the port unless it is the protocol's
// default, compared as text.
std::u16string hostLine(const Uri& target, IpVersion ipVersion) {
  std::u16string host = ipVersion == IpVersion::V6 ? u"[" + target.host() + u"]" : target.host();
  const bool defaultPort =
      (equalsIgnoreCase(target.protocol(), u"http") && target.port() == u"80") ||
      (equalsIgnoreCase(target.protocol(), u"https") && target.port() == u"443");
  if (!defaultPort) host += u":" + target.port();
  return host;
}

}  // namespace

HttpClient::HttpClient()
    : exchange_(std::make_unique<HttpExchange>(*this, settings_, counts_, proxyParams_)) {}

HttpClient::~HttpClient() {
  // The TLS handler this client made must leave the connection before it is freed.
  if (ownedTlsHandler_ && ioHandler() == ownedTlsHandler_.get()) {
    try {
      disconnect(false);
    } catch (...) {  // NOLINT(bugprone-empty-catch): a destructor must not throw
    }
    setIoHandler(nullptr);
  }
}

HttpRequest& HttpClient::request() { return exchange_->request; }

HttpResponse& HttpClient::response() { return exchange_->response; }

void HttpClient::setCookieJar(CookieJar* jar) {
  if (jar == cookieJar_) return;
  ownedCookieJar_.reset();
  cookieJar_ = jar;
}

void HttpClient::get(std::u16string_view url, Stream& stream) {
  doRequest(u"GET", url, nullptr, &stream);
}

void HttpClient::post(std::u16string_view url, Stream& source, Stream& stream) {
  if (settings_.options.contains(HttpOption::KeepOriginalProtocol)) {
    doRequest(u"POST", url, &source, &stream);
    return;
  }
  // Every POST goes out as HTTP/1.0 on a fresh connection.
  disconnect();
  const ProtocolVersionGuard guard(*this, HttpVersion::v1_0);
  doRequest(u"POST", url, &source, &stream);
}

std::u16string HttpClient::post(std::u16string_view url, Stream& source) {
  MemoryStream body;
  post(url, source, body);
  body.setPosition(0);
  return decodeCharset(body, exchange_->response.charSet);
}

void HttpClient::doRequest(std::u16string_view method, std::u16string_view url, Stream* source,
                           Stream* stream, std::span<const std::int32_t> ignoredCodes) {
  counts_ = {};
  const std::int64_t startPosition = stream ? stream->position() : 0;
  HttpRequest& request = exchange_->request;
  request.url = url;
  request.method = method;
  request.source = source;
  exchange_->response.contentStream = stream;
  setDeadlineOfWaits(Deadline::after(settings_.deadline));
  const ScopeGuard endDeadline([this] { setDeadlineOfWaits({}); });
  // Anything but a status error may have left part of a reply unread; the connection cannot
  // carry another request.
  ScopeGuard dropOnFailure([this] { disconnect(false); });
  try {
    for (;;) {
      prepareTarget();
      if (IoHandler* handler = ioHandler(); tls_access::isTlsHandler(handler)) {
        tls_access::setUriToCheck(*handler, fullTargetUri());
      }
      connectAndSend();
      exchange_->readReplyHead([this](HeaderList& headers) { storeCookies(headers); });
      const ResponseAction action = exchange_->processResponse(ignoredCodes);
      if (action == ResponseAction::Done) break;
      if (action == ResponseAction::FollowRedirect) {
        if (stream) {
          stream->setPosition(startPosition);
          stream->setSize(startPosition);
        }
        counts_.authRetries = 0;
        counts_.proxyAuthRetries = 0;
      } else {
        request.url = url;
      }
    }
  } catch (const HttpProtocolError&) {
    // The error body has been read whole, so the connection is in step with the peer.
    dropOnFailure.dismiss();
    setDeadlineOfWaits({});
    closeUnlessKept();
    throw;
  }
  dropOnFailure.dismiss();
  setDeadlineOfWaits({});
  closeUnlessKept();
}

void HttpClient::closeUnlessKept() {
  const HttpResponse& response = exchange_->response;
  const HttpOptions options = settings_.options;
  const bool keepForMultipart = options.contains(HttpOption::NoReadMultipart) &&
                                mediaTypeOf(response.contentType).starts_with(u"multipart");
  const bool keepForChunked = options.contains(HttpOption::NoReadChunked) &&
                              containsIgnoreCase(response.transferEncoding, u"chunked");
  if (!keepAlive() && !keepForMultipart && !keepForChunked) disconnect();
}

std::u16string HttpClient::fullTargetUri() const {
  if (targetUri_.protocol().empty() || targetUri_.host().empty()) return {};
  return targetUri_.getFullUri();
}

void HttpClient::prepareTarget() {
  HttpRequest& request = exchange_->request;
  const Uri next(request.url);

  if (!next.username().empty()) {
    request.username = next.username();
    request.password = next.password();
  }
  targetUri_.setUsername(request.username);
  targetUri_.setPassword(request.password);
  targetUri_.setPath(Uri::resolvePath(targetUri_.path(), next.path()));
  targetUri_.setDocument(next.document());
  targetUri_.setParams(next.params());
  if (!next.host().empty()) targetUri_.setHost(next.host());
  if (!next.protocol().empty()) {
    targetUri_.setProtocol(next.protocol());
  } else {
    targetUri_.setProtocol(equalsIgnoreCase(targetUri_.protocol(), u"https") ? u"https" : u"http");
  }
  if (!next.port().empty()) {
    targetUri_.setPort(next.port());
  } else if (equalsIgnoreCase(next.protocol(), u"http")) {
    targetUri_.setPort(u"80");
  } else if (equalsIgnoreCase(next.protocol(), u"https")) {
    targetUri_.setPort(u"443");
  } else if (targetUri_.port().empty()) {
    throw UnknownProtocolError(u"Unknown Protocol");
  }

  if (isMethod(request, u"OPTIONS") && next.document() == u"*") {
    request.url = u"*";
  } else {
    request.url = targetUri_.path() + next.document();
    if (!next.params().empty()) request.url += u"?" + next.params();
  }
  request.ipVersion = next.ipVersion();
  targetUri_.setIpVersion(next.ipVersion());

  if (settings_.protocolVersion != HttpVersion::v1_1) {
    for (const std::u16string_view method : kMethodsNeedingHttp11) {
      if (isMethod(request, method)) {
        throw NetError(u"Request method requires HTTP version 1.1");
      }
    }
  }

  request.contentLength = contentLengthOf(request);
  request.host = hostLine(targetUri_, request.ipVersion);
}

void HttpClient::chooseEndpoint() {
  HttpRequest& request = exchange_->request;
  const bool https = equalsIgnoreCase(targetUri_.protocol(), u"https");
  std::u16string endpointHost;
  std::uint16_t endpointPort = 0;
  if (proxyParams_.proxyServer().empty()) {
    if (ipVersion() != targetUri_.ipVersion() && connected()) disconnect();
    endpointHost = targetUri_.host();
    const auto number = detail::parseInt64(targetUri_.port());
    endpointPort = number && *number >= 0 && *number <= 65535 ? static_cast<std::uint16_t>(*number)
                                                              : std::uint16_t{80};
    request.useProxy = https ? ConnectionType::Tls : ConnectionType::Normal;
  } else {
    endpointHost = proxyParams_.proxyServer();
    const std::int32_t proxyPort = proxyParams_.proxyPort();
    endpointPort = proxyPort >= 0 && proxyPort <= 65535 ? static_cast<std::uint16_t>(proxyPort)
                                                        : std::uint16_t{0};
    request.useProxy = https ? ConnectionType::TlsProxy : ConnectionType::Proxy;
  }
  if ((!equalsIgnoreCase(endpointHost, host()) || endpointPort != port()) && connected()) {
    disconnect();
  }
  setHost(std::move(endpointHost));
  setPort(endpointPort);
}

void HttpClient::connectAndSend() {
  HttpRequest& request = exchange_->request;
  if (IoHandler* handler = ioHandler()) handler->inputBuffer().clear();
  request.destination = targetUri_.host() + u":" + targetUri_.port();
  chooseEndpoint();

  // A tunnel leads to one destination; a connection that carries none, or one to another
  // destination, cannot carry a request that wants one, and a tunnelled connection cannot carry
  // a request for the proxy itself.
  const bool tunnelled = request.useProxy == ConnectionType::TlsProxy ||
                         (request.useProxy == ConnectionType::Proxy &&
                          settings_.options.contains(HttpOption::TunnelPlainThroughProxy));
  if (connected() && (request.useProxy != lastConnectionType_ || tunnelled != carriesTunnel_ ||
                      (tunnelled && request.destination != lastDestination_))) {
    disconnect();
  }
  lastConnectionType_ = request.useProxy;
  lastDestination_ = request.destination;

  switch (request.useProxy) {
    case ConnectionType::Normal:
    case ConnectionType::Tls:
      if (settings_.protocolVersion == HttpVersion::v1_0 && request.connection.empty()) {
        request.connection = u"keep-alive";
      }
      break;
    case ConnectionType::Proxy:
      // An absolute target, composed without user information and fragment, unless the
      // request goes through a tunnel.
      if (!settings_.options.contains(HttpOption::TunnelPlainThroughProxy)) {
        request.url = targetUri_.getFullUri({});
      }
      if (settings_.protocolVersion == HttpVersion::v1_0 && request.connection.empty()) {
        request.proxyConnection = u"keep-alive";
      }
      break;
    case ConnectionType::TlsProxy:
      break;
  }

  if (!request.acceptEncoding.empty() && !containsIgnoreCase(request.acceptEncoding, u"identity")) {
    request.acceptEncoding += u", identity";
  }

  if (tunnelled) {
    openTunnel();
  } else {
    connectIfNeeded(request);
  }

  exchange_->buildAndSendRequest(cookiesFor(targetUri_));
  if (request.source) sendBody(*request.source);
}

void HttpClient::sendBody(Stream& source) {
  IoHandler& io = *ioHandler();
  if (!sendProgress_) {
    io.write(source, 0);
    return;
  }
  // Piece by piece, so that each piece can be told once the connection has taken it.
  const std::int64_t total = source.size();
  const std::int64_t pieceSize =
      io.sendBufferSize() > 0 ? io.sendBufferSize() : IoHandler::kDefaultBufferSize;
  source.setPosition(0);
  std::int64_t sent = 0;
  while (sent < total) {
    const std::int64_t piece = std::min(pieceSize, total - sent);
    io.write(source, piece);
    sent += piece;
    sendProgress_(sent, total);
  }
}

void HttpClient::connectIfNeeded(const HttpRequest& request) {
  if (!keepAlive()) disconnect();
  if (IoHandler* handler = ioHandler()) {
    handler->inputBuffer().clear();
    checkForGracefulDisconnect(false);
  }
  if (connected()) return;

  const ConnectionType type = request.useProxy;
  // Through a proxy the socket goes to the proxy, whatever the target's address family.
  if (!isProxyConnection(type)) setIPVersion(targetUri_.ipVersion());
  IoHandler* handler = ioHandler();
  if (type == ConnectionType::Tls || type == ConnectionType::TlsProxy) {
    if (handler != nullptr && managedIoHandler() && !tls_access::isTlsHandler(handler)) {
      // The plain handler this client made for an earlier http target gives way.
      setIoHandler(nullptr);
      handler = nullptr;
    }
    if (handler == nullptr) {
      ownedTlsHandler_ = tls_access::createDefaultTlsHandler();
      if (ownedTlsHandler_) {
        ownedTlsHandler_->setOnStatus(onStatus);
        setIoHandler(ownedTlsHandler_.get());
      }
      handler = ownedTlsHandler_.get();
    }
    if (handler == nullptr || !tls_access::isTlsHandler(handler)) {
      throw InvalidIoHandlerError(u"IOHandler value is not valid");
    }
    tls_access::setUriToCheck(*handler, fullTargetUri());
    tls_access::setPassThrough(*handler, type == ConnectionType::TlsProxy);
  } else if (tls_access::isTlsHandler(handler)) {
    tls_access::setPassThrough(*handler, true);
    tls_access::setUriToCheck(*handler, fullTargetUri());
  }
  carriesTunnel_ = false;
  connect();
}

void HttpClient::openTunnel() {
  // The open connection carries the tunnel already, unless the proxy has closed it meanwhile.
  if (connected()) checkForGracefulDisconnect(false);
  if (connected()) return;
  const HttpRequest& main = exchange_->request;
  HttpExchange tunnel(*this, settings_, counts_, proxyParams_);
  tunnel.request.userAgent = main.userAgent;
  tunnel.request.host = main.host;
  tunnel.request.pragma = u"no-cache";
  tunnel.request.url = main.destination;
  tunnel.request.destination = main.destination;
  tunnel.request.method = u"CONNECT";
  tunnel.request.proxyConnection = u"keep-alive";
  tunnel.request.useProxy = main.useProxy;
  tunnel.keepsFinalBody = true;
  // A connection whose tunnel is not open cannot carry the request.
  ScopeGuard dropOnFailure([this] { disconnect(false); });
  for (;;) {
    connectIfNeeded(tunnel.request);
    tunnel.buildAndSendRequest();
    tunnel.readStatusLine();
    if (tunnel.response.responseText().empty()) {
      tunnel.response.setResponseText(u"HTTP/1.0 200 OK");
      tunnel.response.clearHeaders();
      tunnel.response.connection = u"close";
    } else {
      tunnel.retrieveHeaders(settings_.maxHeaderLines);
      storeCookies(tunnel.response.rawHeaders);
    }
    if (tunnel.response.responseCode() / 100 == 2) {
      if (main.useProxy == ConnectionType::TlsProxy && tls_access::isTlsHandler(ioHandler())) {
        tls_access::setPassThrough(*ioHandler(), false);
      }
      carriesTunnel_ = true;
      dropOnFailure.dismiss();
      return;
    }
    MemoryStream refusal;
    tunnel.response.contentStream = &refusal;
    const ResponseAction action = tunnel.processResponse({});
    if (action == ResponseAction::Done) {
      // No tunnel was opened: the request must not go to the proxy in its place. The proxy's
      // answer says why, as the body of any other error reply does.
      refusal.setPosition(0);
      throw HttpProtocolError(tunnel.response.responseText(), tunnel.response.responseCode(),
                              decodeCharset(refusal, tunnel.response.charSet));
    }
    tunnel.response.contentStream = nullptr;
    if (action == ResponseAction::FollowRedirect) {
      counts_.authRetries = 0;
      counts_.proxyAuthRetries = 0;
    }
    tunnel.request.url = main.destination;
  }
}

void HttpClient::storeCookies(HeaderList& headers) {
  if (!settings_.allowCookies) return;
  if (cookieJar_ == nullptr) {
    ownedCookieJar_ = std::make_unique<CookieJar>();
    cookieJar_ = ownedCookieJar_.get();
  }
  const std::vector<std::u16string> lines = headers.extract(u"Set-Cookie");
  if (!lines.empty()) cookieJar_->addServerCookies(lines, targetUri_);
}

std::u16string HttpClient::cookiesFor(const Uri& target) const {
  if (!settings_.allowCookies || cookieJar_ == nullptr) return {};
  return cookieJar_->generateClientCookies(target, equalsIgnoreCase(target.protocol(), u"HTTPS"));
}

bool HttpClient::keepAlive() {
  if (!connected()) return false;
  const HttpRequest& request = exchange_->request;
  const HttpResponse& response = exchange_->response;
  const bool throughProxy = isProxyConnection(request.useProxy);
  const auto is = [](std::u16string_view value, std::u16string_view word) {
    return equalsIgnoreCase(trimView(value), word);
  };
  if (is(request.connection, u"close")) return false;
  if (throughProxy && is(request.proxyConnection, u"close")) return false;
  if (settings_.protocolVersion == HttpVersion::v1_1) {
    return !is(response.connection, u"close") &&
           !(throughProxy && is(response.proxyConnection, u"close"));
  }
  return is(response.connection, u"keep-alive") &&
         (!throughProxy || is(response.proxyConnection, u"keep-alive"));
}

}  // namespace http
