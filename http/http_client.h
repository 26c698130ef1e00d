#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "http/http_options.h"
#include "http/http_request.h"
#include "http/http_response.h"
#include "http/http_settings.h"
#include "http/proxy_settings.h"
#include "http/stream.h"
#include "http/transport/tcp_client.h"
#include "http/uri.h"

namespace http {

class CookieJar;

namespace detail {
class HttpExchange;
}  // namespace detail

// A blocking HTTP/1.0 and HTTP/1.1 client: one request at a time over one connection, which
// is kept between requests when the reply allows it.
class HttpClient : public TcpClient {
 public:
  HttpClient();
  ~HttpClient() override;

  // The reply body goes into stream at its current position.
  void get(std::u16string_view url, Stream& stream);
  // Posts source (sent whole, from its first byte) and returns the reply body decoded with the
  // reply's charset.
  std::u16string post(std::u16string_view url, Stream& source);
  void post(std::u16string_view url, Stream& source, Stream& stream);
  // The request cycle for any method; source and stream may be null.
  void doRequest(std::u16string_view method, std::u16string_view url, Stream* source,
                 Stream* stream, std::span<const std::int32_t> ignoredCodes = {});

  // The settings every request of this client uses.
  [[nodiscard]] const HttpSettings& settings() const { return settings_; }
  [[nodiscard]] HttpVersion protocolVersion() const { return settings_.protocolVersion; }
  void setProtocolVersion(HttpVersion version) { settings_.protocolVersion = version; }
  [[nodiscard]] HttpOptions options() const { return settings_.options; }
  void setOptions(HttpOptions options) { settings_.options = options; }
  [[nodiscard]] bool handleRedirects() const { return settings_.handleRedirects; }
  void setHandleRedirects(bool value) { settings_.handleRedirects = value; }
  [[nodiscard]] std::int32_t redirectMaximum() const { return settings_.redirectMaximum; }
  void setRedirectMaximum(std::int32_t value) { settings_.redirectMaximum = value; }
  [[nodiscard]] std::int32_t redirectCount() const { return counts_.redirects; }
  [[nodiscard]] bool allowCookies() const { return settings_.allowCookies; }
  void setAllowCookies(bool value) { settings_.allowCookies = value; }
  [[nodiscard]] CookieJar* cookieJar() const { return cookieJar_; }
  // Uses a store the caller keeps owning (nullptr: none, one is made on the next reply).
  void setCookieJar(CookieJar* jar);
  [[nodiscard]] bool ownsCookieJar() const { return ownedCookieJar_ != nullptr; }
  [[nodiscard]] std::int32_t maxAuthRetries() const { return settings_.maxAuthRetries; }
  void setMaxAuthRetries(std::int32_t value) { settings_.maxAuthRetries = value; }
  [[nodiscard]] std::int32_t authRetries() const { return counts_.authRetries; }
  [[nodiscard]] std::int32_t proxyAuthRetries() const { return counts_.proxyAuthRetries; }
  [[nodiscard]] std::int32_t maxHeaderLines() const { return settings_.maxHeaderLines; }
  void setMaxHeaderLines(std::int32_t value) { settings_.maxHeaderLines = value; }
  // The most bytes a reply body may have, whether it is kept or dropped (0 or less: no
  // limit, the default). A longer body raises ReplyLimitError and closes the connection.
  [[nodiscard]] std::int64_t replyBodyLimit() const { return settings_.replyBodyLimit; }
  void setReplyBodyLimit(std::int64_t bytes) { settings_.replyBodyLimit = bytes; }
  // The most one request may take as a whole (zero or less: no limit, the default): connect
  // with its name lookup, send, the wait for the reply, interim replies, headers and body.
  // Every wait is cut to the time left; running out raises DeadlineError and closes the
  // connection.
  void setDeadline(std::chrono::milliseconds limit) { settings_.deadline = limit; }
  // The same in milliseconds.
  [[nodiscard]] int deadline() const { return static_cast<int>(settings_.deadline.count()); }
  void setDeadline(int milliseconds) { setDeadline(std::chrono::milliseconds(milliseconds)); }

  // Told as the request body's bytes are handed to the connection: the count handed so far and
  // the body's size. The request line and header lines are not counted.
  void setSendProgress(std::function<void(std::int64_t sent, std::int64_t total)> onProgress) {
    sendProgress_ = std::move(onProgress);
  }

  [[nodiscard]] ProxySettings& proxyParams() { return proxyParams_; }
  [[nodiscard]] HttpRequest& request();
  [[nodiscard]] HttpResponse& response();
  [[nodiscard]] Uri& targetUri() { return targetUri_; }

  // Whether the connection may carry the next request after the last reply.
  [[nodiscard]] bool keepAlive();

 private:
  void prepareTarget();
  void chooseEndpoint();
  void connectAndSend();
  void sendBody(Stream& source);
  void connectIfNeeded(const HttpRequest& request);
  void openTunnel();
  void storeCookies(HeaderList& headers);
  // The Cookie line's value for the target (empty: none).
  [[nodiscard]] std::u16string cookiesFor(const Uri& target) const;
  void closeUnlessKept();
  [[nodiscard]] std::u16string fullTargetUri() const;

  std::unique_ptr<detail::HttpExchange> exchange_;
  Uri targetUri_;
  ProxySettings proxyParams_;
  HttpSettings settings_;
  RequestCounts counts_;
  CookieJar* cookieJar_ = nullptr;
  std::unique_ptr<CookieJar> ownedCookieJar_;
  std::function<void(std::int64_t, std::int64_t)> sendProgress_;
  std::unique_ptr<IoHandler> ownedTlsHandler_;
  ConnectionType lastConnectionType_ = ConnectionType::Normal;
  std::u16string lastDestination_;
  bool carriesTunnel_ = false;  // the open connection leads through a tunnel to lastDestination_
};

}  // namespace http
