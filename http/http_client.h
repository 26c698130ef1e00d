#pragma once

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

  [[nodiscard]] HttpVersion protocolVersion() const { return protocolVersion_; }
  void setProtocolVersion(HttpVersion version) { protocolVersion_ = version; }
  [[nodiscard]] HttpOptions options() const { return options_; }
  void setOptions(HttpOptions options) { options_ = options; }
  [[nodiscard]] bool handleRedirects() const { return handleRedirects_; }
  void setHandleRedirects(bool value) { handleRedirects_ = value; }
  [[nodiscard]] std::int32_t redirectMaximum() const { return redirectMaximum_; }
  void setRedirectMaximum(std::int32_t value) { redirectMaximum_ = value; }
  [[nodiscard]] std::int32_t redirectCount() const { return redirectCount_; }
  [[nodiscard]] bool allowCookies() const { return allowCookies_; }
  void setAllowCookies(bool value) { allowCookies_ = value; }
  [[nodiscard]] CookieJar* cookieJar() const { return cookieJar_; }
  // Uses a store the caller keeps owning (nullptr: none, one is made on the next reply).
  void setCookieJar(CookieJar* jar);
  [[nodiscard]] bool ownsCookieJar() const { return ownedCookieJar_ != nullptr; }
  [[nodiscard]] std::int32_t maxAuthRetries() const { return maxAuthRetries_; }
  void setMaxAuthRetries(std::int32_t value) { maxAuthRetries_ = value; }
  [[nodiscard]] std::int32_t authRetries() const { return authRetries_; }
  [[nodiscard]] std::int32_t proxyAuthRetries() const { return proxyAuthRetries_; }
  [[nodiscard]] std::int32_t maxHeaderLines() const { return maxHeaderLines_; }
  void setMaxHeaderLines(std::int32_t value) { maxHeaderLines_ = value; }
  // The most bytes a reply body may have, whether it is kept or dropped (0 or less: no
  // limit, the default). A longer body raises ReplyLimitError and closes the connection.
  [[nodiscard]] std::int64_t replyBodyLimit() const { return replyBodyLimit_; }
  void setReplyBodyLimit(std::int64_t bytes) { replyBodyLimit_ = bytes; }
  // The most milliseconds one request may take as a whole (0 or less: no limit, the default):
  // connect, send, the wait for the reply, interim replies, headers and body. Every wait is cut
  // to the time left; running out raises DeadlineError and closes the connection.
  [[nodiscard]] int deadline() const { return deadlineMs_; }
  void setDeadline(int milliseconds) { deadlineMs_ = milliseconds; }

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
  friend class detail::HttpExchange;

  void prepareTarget();
  void chooseEndpoint();
  void connectAndSend();
  void sendBody(Stream& source);
  void connectIfNeeded(detail::HttpExchange& exchange);
  void openTunnel();
  void storeCookies(HeaderList& headers);
  void closeUnlessKept();
  [[nodiscard]] std::u16string fullTargetUri() const;

  std::unique_ptr<detail::HttpExchange> exchange_;
  Uri targetUri_;
  ProxySettings proxyParams_;
  HttpVersion protocolVersion_ = HttpVersion::v1_1;
  HttpOptions options_{HttpOption::ForceEncodeParams};
  bool handleRedirects_ = false;
  std::int32_t redirectMaximum_ = 15;
  std::int32_t redirectCount_ = 0;
  bool allowCookies_ = true;
  CookieJar* cookieJar_ = nullptr;
  std::unique_ptr<CookieJar> ownedCookieJar_;
  std::int32_t maxAuthRetries_ = 3;
  std::int32_t authRetries_ = 0;
  std::int32_t proxyAuthRetries_ = 0;
  std::int32_t maxHeaderLines_ = 255;
  std::int64_t replyBodyLimit_ = 0;
  int deadlineMs_ = 0;
  std::function<void(std::int64_t, std::int64_t)> sendProgress_;
  std::unique_ptr<IoHandler> ownedTlsHandler_;
  ConnectionType lastConnectionType_ = ConnectionType::Normal;
  std::u16string lastDestination_;
  bool carriesTunnel_ = false;  // the open connection leads through a tunnel to lastDestination_
};

}  // namespace http
