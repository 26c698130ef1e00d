#include "http/http_response.h"

#include <limits>

#include "http/detail/protocol_text.h"

namespace http {

using detail::parseInt64;

std::int32_t parseStatusCode(std::u16string_view statusLine) {
  const std::size_t space = statusLine.find(u' ');
  if (space == std::u16string_view::npos) return -1;
  std::u16string_view rest = trimView(statusLine.substr(space + 1));
  rest = rest.substr(0, rest.find(u' '));
  rest = rest.substr(0, rest.find(u'.'));
  const auto code = parseInt64(rest);
  if (!code || *code < std::numeric_limits<std::int32_t>::min() ||
      *code > std::numeric_limits<std::int32_t>::max()) {
    return -1;
  }
  return static_cast<std::int32_t>(*code);
}

void HttpResponse::setResponseText(std::u16string text) {
  responseText_ = std::move(text);
  codeParsed_ = false;
  responseCode_ = -1;
  responseVersion_ = responseText_.size() >= 8 && responseText_.substr(5, 3) == u"1.1"
                         ? HttpVersion::v1_1
                         : HttpVersion::v1_0;
}

std::int32_t HttpResponse::responseCode() const {
  if (!codeParsed_) {
    responseCode_ = parseStatusCode(responseText_);
    codeParsed_ = true;
  }
  return responseCode_;
}

void ResponseHeaders::clearHeaders() {
  clearEntity();
  rawHeaders.clear();
  location.clear();
  server.clear();
  proxyConnection.clear();
  acceptPatch.clear();
  acceptRanges.clear();
  contentRangeUnits.clear();
  contentRangeStart = contentRangeEnd = contentRangeInstanceLength = -1;
  wwwAuthenticate.clear();
  proxyAuthenticate.clear();
}

void ResponseHeaders::deriveFields() {
  deriveEntityFields();
  location = rawHeaders.value(u"Location");
  server = rawHeaders.value(u"Server");
  proxyConnection = rawHeaders.value(u"Proxy-Connection");
  wwwAuthenticate.clear();
  for (const std::u16string& value : rawHeaders.values(u"WWW-Authenticate")) {
    wwwAuthenticate.addLine(value);
  }
  proxyAuthenticate.clear();
  for (const std::u16string& value : rawHeaders.values(u"Proxy-Authenticate")) {
    proxyAuthenticate.addLine(value);
  }
  acceptPatch = rawHeaders.value(u"Accept-Patch");
  acceptRanges = rawHeaders.value(u"Accept-Ranges");

  // Content-Range: "bytes 0-99/1000"
  const std::u16string range = rawHeaders.value(u"Content-Range");
  const std::u16string_view view = range;
  const std::size_t space = view.find(u' ');
  contentRangeUnits = std::u16string(view.substr(0, space));
  const std::u16string_view rangeText =
      space == std::u16string_view::npos ? std::u16string_view() : view.substr(space + 1);
  const std::size_t slash = rangeText.find(u'/');
  const std::u16string_view span = rangeText.substr(0, slash);
  const std::size_t dash = span.find(u'-');
  const auto number = [](std::u16string_view text) {
    const auto value = parseInt64(text);
    return value && *value >= 0 ? *value : -1;
  };
  contentRangeStart = dash == std::u16string_view::npos ? -1 : number(span.substr(0, dash));
  contentRangeEnd = dash == std::u16string_view::npos ? -1 : number(span.substr(dash + 1));
  contentRangeInstanceLength =
      slash == std::u16string_view::npos ? -1 : number(rangeText.substr(slash + 1));
}

}  // namespace http
