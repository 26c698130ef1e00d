#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "http/http_request.h"
#include "http/http_response.h"
#include "http/http_settings.h"

namespace http {
class IoHandler;
class ProxySettings;
class TcpConnection;
}  // namespace http

namespace http::detail {

class BodyLimitStream;

// What the request cycle does after a reply.
enum class ResponseAction { FollowRedirect, AnswerChallenge, Done };

// One request and its reply on a connection: the records and the steps that write the request
// and read the reply, by the settings it is handed.
class HttpExchange {
 public:
  HttpExchange(TcpConnection& connection, const HttpSettings& settings, RequestCounts& counts,
               ProxySettings& proxy)
      : connection_(connection), settings_(settings), counts_(counts), proxy_(proxy) {}

  HttpRequest request;
  HttpResponse response;
  // Set for a tunnel request: the body of a reply that ends the exchange goes to
  // response.contentStream even where a main request's would be thrown away, so that a refused
  // tunnel can say why.
  bool keepsFinalBody = false;

  // Writes the request line and header block, with a Cookie line when cookies is not empty.
  void buildAndSendRequest(const std::u16string& cookies = {});
  // Reads the status line; raises ReadTimeoutError when the wait runs out.
  void readStatusLine();
  // Reads the header block, at most maxHeaderLines lines.
  void retrieveHeaders(std::int32_t maxHeaderLines);
  // Status line and header blocks, skipping interim replies; each block's headers go to
  // storeCookies.
  void readReplyHead(const std::function<void(HeaderList&)>& storeCookies);
  // Decides what the status means and reads the body.
  ResponseAction processResponse(std::span<const std::int32_t> ignoredCodes);

 private:
  // Reads the body into the stream (nullptr throws it away), with the framing the headers
  // announce, then applies the HTML and XML charset rules.
  void readBody(Stream* target);
  // Puts the client's reply-body limit between the framing and the stream.
  void readFramedBody(Stream* target);
  void readFramed(Stream* target);
  void readChunked(Stream* target);
  void readCounted(Stream* target, std::int64_t count, bool tolerateEarlyClose = true);
  void readMultipart(Stream* target, std::u16string_view boundary);
  void readUntilClose(Stream* target);
  void readTrailers();
  void applyMetaHttpEquiv(std::string_view body);
  [[nodiscard]] bool bodyExpected();
  ResponseAction processRedirect(std::span<const std::int32_t> ignoredCodes);
  // Answers a 401 or 407 challenge when it can, or handles the error (Done); nothing when the
  // challenge is counted but left to the caller, and the reply is read as a final one.
  std::optional<ResponseAction> processChallenge(std::span<const std::int32_t> ignoredCodes);
  [[nodiscard]] IoHandler& io() const;
  [[noreturn]] void raiseProtocolError();
  void handleProtocolError(std::span<const std::int32_t> ignoredCodes);

  TcpConnection& connection_;
  const HttpSettings& settings_;
  RequestCounts& counts_;
  ProxySettings& proxy_;
  // The limit of the body being read; null when the client sets none.
  BodyLimitStream* bodyLimit_ = nullptr;
};

}  // namespace http::detail
