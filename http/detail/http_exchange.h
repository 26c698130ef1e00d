#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "http/http_request.h"
#include "http/http_response.h"

namespace http {
class HttpClient;
class Uri;
}  // namespace http

namespace http::detail {

class BodyLimitStream;

// What the request cycle does after a reply.
enum class ResponseAction { FollowRedirect, AnswerChallenge, Done };

// One request and its reply on a client's connection: the records and the steps that write
// the request and read the reply.
class HttpExchange {
 public:
  explicit HttpExchange(HttpClient& client) : client_(client) {}

  HttpRequest request;
  HttpResponse response;
  // Set for a tunnel request: the body of a reply that ends the exchange goes to
  // response.contentStream even where a main request's would be thrown away, so that a refused
  // tunnel can say why.
  bool keepsFinalBody = false;

  // Writes the request line and header block; target carries the cookies' URI (nullptr for a
  // tunnel request).
  void buildAndSendRequest(const Uri* target);
  // Reads the status line; raises ReadTimeoutError when the wait runs out.
  void readStatusLine();
  // Reads the header block, at most maxHeaderLines lines.
  void retrieveHeaders(std::int32_t maxHeaderLines);
  // Status line and header blocks, skipping interim replies; stores cookies after each.
  void readReplyHead();
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
  [[noreturn]] void raiseProtocolError();
  void handleProtocolError(std::span<const std::int32_t> ignoredCodes);

  HttpClient& client_;
  // The limit of the body being read; null when the client sets none.
  BodyLimitStream* bodyLimit_ = nullptr;
};

}  // namespace http::detail
