#include "http/detail/http_exchange.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "http/base/scope_guard.h"
#include "http/charset/charset_encoding.h"
#include "http/detail/protocol_text.h"
#include "http/http_errors.h"
#include "http/proxy_settings.h"
#include "http/transport/connection_errors.h"
#include "http/transport/tcp_connection.h"

namespace http::detail {

namespace {

// The 1xx replies one request may get before its final reply.
constexpr int kMaxInterimReplies = 16;

bool isRedirectCode(std::int32_t code) { return code >= 300 && code < 400 && code != 304; }

}  // namespace

IoHandler& HttpExchange::io() const { return *connection_.ioHandler(); }

void HttpExchange::buildAndSendRequest(const std::u16string& cookies) {
  if (request.authentication) request.authentication->setRequest(request.method, request.url);
  request.composeRawHeaders();
  const std::u16string proxyAuthorization = proxy_.authorization();
  if (!proxyAuthorization.empty()) {
    request.rawHeaders.setValue(u"Proxy-Authorization", proxyAuthorization);
  }
  if (!cookies.empty()) request.rawHeaders.add(u"Cookie", cookies);

  IoHandler& io = this->io();
  const bool opened = !io.writeBufferingActive();
  if (opened) io.writeBufferOpen();
  ScopeGuard cancelOnFailure([&] {
    if (opened) io.writeBufferCancel();
  });
  const char16_t* version = settings_.protocolVersion == HttpVersion::v1_0 ? u"1.0" : u"1.1";
  io.writeLine(request.method + u" " + request.url + u" HTTP/" + version);
  for (const std::u16string& line : request.rawHeaders.lines()) {
    if (!line.empty()) io.writeLine(line);
  }
  io.writeLine(u"");
  if (opened) io.writeBufferClose();
  cancelOnFailure.dismiss();
}

void HttpExchange::readStatusLine() {
  IoHandler& io = this->io();
  std::u16string line = io.readLine();
  if (io.readLineTimedOut()) throw ReadTimeoutError(transport_text::kReadTimedOut);
  response.setResponseText(std::move(line));
}

void HttpExchange::retrieveHeaders(std::int32_t maxHeaderLines) {
  response.clearHeaders();
  response.metaHttpEquiv = EntityHeaders();
  IoHandler& io = this->io();
  ScopeGuard dropOnFailure([&] { connection_.disconnect(false); });
  try {
    for (;;) {
      std::u16string line = io.readLine();
      if (io.readLineTimedOut()) throw ReadTimeoutError(transport_text::kReadTimedOut);
      if (line.empty()) break;
      if (maxHeaderLines >= 0 &&
          std::cmp_greater_equal(response.rawHeaders.count(), maxHeaderLines)) {
        throw ReplyLimitError(kTooManyHeaderLines);
      }
      response.rawHeaders.addLine(std::move(line));
    }
  } catch (const ConnectionClosedError&) {
    // The peer closed: the block ends with what arrived.
    connection_.disconnect(false);
  }
  dropOnFailure.dismiss();
  response.deriveFields();
  if (response.contentLength < 0) {
    const std::u16string announced(trimView(response.rawHeaders.value(u"Content-Length")));
    if (!announced.empty() && std::all_of(announced.begin(), announced.end(),
                                          [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
      // A length past the signed 64-bit range cannot be honoured.
      connection_.disconnect(false);
      throw ReplyLimitError(kContentLengthTooLarge);
    }
  }
}

void HttpExchange::readReplyHead(const std::function<void(HeaderList&)>& storeCookies) {
  for (int interim = 0;; ++interim) {
    if (interim > kMaxInterimReplies) throw ReplyLimitError(kTooManyInterimReplies);
    readStatusLine();
    retrieveHeaders(settings_.maxHeaderLines);
    storeCookies(response.rawHeaders);
    const std::int32_t code = response.responseCode();
    if (code < 100 || code >= 200 || code == 101) return;
  }
}

ResponseAction HttpExchange::processResponse(std::span<const std::int32_t> ignoredCodes) {
  const std::int32_t code = response.responseCode();
  if (isRedirectCode(code)) return processRedirect(ignoredCodes);
  if (code / 100 != 2 || code < 0) {
    if (code == 101) return ResponseAction::Done;
    if (code != 401 && code != 407) {
      handleProtocolError(ignoredCodes);
      return ResponseAction::Done;
    }
    if (const auto action = processChallenge(ignoredCodes)) return *action;
  }
  const bool noBody = request.method == u"HEAD" || request.methodOverride == u"HEAD" || code == 204;
  readBody(noBody ? nullptr : response.contentStream);
  return ResponseAction::Done;
}

ResponseAction HttpExchange::processRedirect(std::span<const std::int32_t> ignoredCodes) {
  const std::int32_t code = response.responseCode();
  if (response.location.empty()) {
    handleProtocolError(ignoredCodes);
    return ResponseAction::Done;
  }
  ++counts_.redirects;
  if (!settings_.handleRedirects) {
    handleProtocolError(ignoredCodes);
    return ResponseAction::Done;
  }
  ResponseAction result = ResponseAction::Done;
  if (counts_.redirects < settings_.redirectMaximum) {
    request.url = response.location;
    if (code == 303 || (code == 302 && settings_.options.contains(HttpOption::Treat302Like303))) {
      request.source = nullptr;
      request.method = u"GET";
    }
    request.methodOverride.clear();
    result = ResponseAction::FollowRedirect;
  }
  if (connection_.connected()) {
    readBody(result == ResponseAction::Done && keepsFinalBody ? response.contentStream : nullptr);
  }
  return result;
}

std::optional<ResponseAction> HttpExchange::processChallenge(
    std::span<const std::int32_t> ignoredCodes) {
  const bool proxy = response.responseCode() == 407;
  std::int32_t& retries = proxy ? counts_.proxyAuthRetries : counts_.authRetries;
  const HeaderList& challenges = proxy ? response.proxyAuthenticate : response.wwwAuthenticate;
  const std::u16string& username = proxy ? proxy_.proxyUsername() : request.username;
  const std::u16string& password = proxy ? proxy_.proxyPassword() : request.password;
  std::unique_ptr<Authentication> answer;
  if (retries < settings_.maxAuthRetries) {
    for (const std::u16string& challenge : challenges.lines()) {
      answer = authenticationForChallenge(challenge, username, password);
      if (answer) break;
    }
  }
  if (!answer) {
    if (proxy) {
      proxy_.setAuthentication(nullptr);
    } else {
      request.authentication.reset();
    }
    handleProtocolError(ignoredCodes);
    return ResponseAction::Done;
  }
  ++retries;
  if (!settings_.options.contains(HttpOption::InProcessAuth)) {
    return std::nullopt;
  }
  if (proxy) {
    proxy_.setAuthentication(std::move(answer));
  } else {
    request.authentication = std::move(answer);
  }
  readBody(nullptr);
  return ResponseAction::AnswerChallenge;
}

void HttpExchange::handleProtocolError(std::span<const std::int32_t> ignoredCodes) {
  const std::int32_t code = response.responseCode();
  const bool ignored =
      std::find(ignoredCodes.begin(), ignoredCodes.end(), code) != ignoredCodes.end();
  if (!ignored && !settings_.options.contains(HttpOption::NoProtocolErrorException)) {
    raiseProtocolError();
  }
  const bool keep =
      keepsFinalBody || settings_.options.contains(HttpOption::WantProtocolErrorContent);
  readBody(keep ? response.contentStream : nullptr);
}

void HttpExchange::raiseProtocolError() {
  MemoryStream body;
  Stream* const callerStream = response.contentStream;
  response.contentStream = &body;
  {
    ScopeGuard restoreStream([&] { response.contentStream = callerStream; });
    ScopeGuard dropOnFailure([&] { connection_.disconnect(false); });
    try {
      readBody(&body);
    } catch (const ConnectionClosedError&) {
      connection_.disconnect(false);
    }
    dropOnFailure.dismiss();
  }
  body.setPosition(0);
  throw HttpProtocolError(response.responseText(), response.responseCode(),
                          decodeCharset(body, response.charSet));
}

}  // namespace http::detail
