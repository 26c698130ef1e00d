#include "http/http_request.h"

#include "http/detail/http_date.h"
#include "http/detail/protocol_text.h"

namespace http {

using detail::decimalText;
using detail::formatHttpDate;

void RequestHeaders::clear() {
  accept = kDefaultAccept;
  acceptCharSet.clear();
  userAgent = kDefaultUserAgent;
  basicAuthentication = false;
  range.clear();
  methodOverride.clear();
  const std::u16string keptPragma = pragma;
  const std::u16string keptTransferEncoding = transferEncoding;
  clearEntity();
  pragma = keptPragma;
  transferEncoding = keptTransferEncoding;
  rawHeaders.clear();
}

void RequestHeaders::composeRawHeaders() {
  HeaderList& lines = rawHeaders;
  lines.clear();
  const auto add = [&lines](std::u16string_view name, std::u16string_view value) {
    if (!value.empty()) lines.add(name, value);
  };
  add(u"Connection", connection);
  add(u"Content-Version", contentVersion);
  add(u"Content-Disposition", contentDisposition);
  add(u"Content-Encoding", contentEncoding);
  add(u"Content-Language", contentLanguage);
  if (!contentType.empty()) {
    add(u"Content-Type", charSet.empty() ? contentType : contentType + u"; charset=" + charSet);
  }
  if (contentLength >= 0) add(u"Content-Length", decimalText(contentLength));
  add(u"Cache-control", cacheControl);
  if (date != 0) add(u"Date", formatHttpDate(date));
  add(u"ETag", eTag);
  if (expires != 0) add(u"Expires", formatHttpDate(expires));
  add(u"Pragma", pragma);
  add(u"Transfer-Encoding", transferEncoding);
  for (const std::u16string& line : customHeaders.lines()) lines.addLine(line);

  // These replace a custom line of the same name in place instead of being appended.
  const auto set = [&lines](std::u16string_view name, std::u16string_view value) {
    if (!value.empty()) lines.setValue(name, value);
  };
  set(u"Proxy-Connection", proxyConnection);
  set(u"Host", host);
  set(u"Accept", accept);
  set(u"Accept-Charset", acceptCharSet);
  set(u"Accept-Encoding", acceptEncoding);
  set(u"Accept-Language", acceptLanguage);
  set(u"From", from);
  set(u"Referer", referer);
  set(u"User-Agent", userAgent);
  set(u"Range", range);
  if (lastModified != 0) set(u"If-Modified-Since", formatHttpDate(lastModified));
  if (authentication) {
    set(u"Authorization", authentication->authorization());
  } else if (basicAuthentication) {
    authentication = std::make_unique<BasicAuthentication>(username, password);
    set(u"Authorization", authentication->authorization());
  }
  set(u"X-HTTP-Method-Override", methodOverride);
}

}  // namespace http
