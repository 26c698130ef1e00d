#include "http/entity_headers.h"

#include <vector>

#include "http/detail/http_date.h"
#include "http/detail/protocol_text.h"

namespace http {

using detail::parseHttpDate;
using detail::parseInt64;

namespace {

struct Parameter {
  std::u16string_view name;
  std::u16string_view value;
};

// Splits "type/sub; a=1; charset=\"x\"" at the semicolons that stand outside quotes.
std::vector<std::u16string_view> splitParameters(std::u16string_view value) {
  std::vector<std::u16string_view> parts;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == u'"') quoted = !quoted;
    if (value[i] == u';' && !quoted) {
      parts.push_back(value.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(value.substr(start));
  return parts;
}

Parameter parseParameter(std::u16string_view part) {
  const std::size_t equals = part.find(u'=');
  if (equals == std::u16string_view::npos) return {trimView(part), {}};
  std::u16string_view value = trimView(part.substr(equals + 1));
  if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') {
    value = value.substr(1, value.size() - 2);
  } else if (!value.empty() && value.front() == u'"') {
    value.remove_prefix(1);
  }
  return {trimView(part.substr(0, equals)), trimView(value)};
}

}  // namespace

std::u16string mediaTypeOf(std::u16string_view contentType) {
  const std::size_t semicolon = contentType.find(u';');
  return toLowerAscii(trimView(contentType.substr(0, semicolon)));
}

void EntityHeaders::setContentTypeHeader(std::u16string_view value) {
  contentType.clear();
  charSet.clear();
  value = trimView(value);
  if (value.empty()) return;

  std::u16string rest;
  const std::vector<std::u16string_view> parts = splitParameters(value);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) {
      const Parameter parameter = parseParameter(parts[i]);
      if (equalsIgnoreCase(parameter.name, u"charset")) {
        charSet = parameter.value;
        continue;
      }
    }
    if (trimView(parts[i]).empty()) continue;
    if (!rest.empty()) rest += u"; ";
    rest += trimView(parts[i]);
  }
  contentType = std::move(rest);

  if (!charSet.empty()) return;
  const std::u16string media = mediaTypeOf(contentType);
  if (!media.starts_with(u"text/")) return;
  const std::u16string_view subtype = std::u16string_view(media).substr(5);
  if (subtype == u"xml" || subtype == u"xml-external-parsed-entity" || subtype.ends_with(u"+xml")) {
    charSet = u"us-ascii";
  } else {
    charSet = u"ISO-8859-1";
  }
}

void EntityHeaders::clearEntity() {
  connection.clear();
  contentVersion.clear();
  contentDisposition.clear();
  contentEncoding.clear();
  contentLanguage.clear();
  contentType.clear();
  charSet.clear();
  cacheControl.clear();
  eTag.clear();
  pragma.clear();
  transferEncoding.clear();
  contentLength = -1;
  date = 0;
  expires = 0;
  lastModified = 0;
}

void EntityHeaders::deriveEntityFields() {
  connection = rawHeaders.value(u"Connection");
  contentVersion = rawHeaders.value(u"Content-Version");
  contentDisposition = rawHeaders.value(u"Content-Disposition");
  contentEncoding = rawHeaders.value(u"Content-Encoding");
  contentLanguage = rawHeaders.value(u"Content-Language");
  setContentTypeHeader(rawHeaders.value(u"Content-Type"));
  cacheControl = rawHeaders.value(u"Cache-Control");
  eTag = rawHeaders.value(u"ETag");
  pragma = rawHeaders.value(u"Pragma");
  transferEncoding = rawHeaders.value(u"Transfer-Encoding");
  const auto length = parseInt64(rawHeaders.value(u"Content-Length"));
  contentLength = length && *length >= 0 ? *length : -1;
  date = parseHttpDate(rawHeaders.value(u"Date"));
  expires = parseHttpDate(rawHeaders.value(u"Expires"));
  lastModified = parseHttpDate(rawHeaders.value(u"Last-Modified"));
}

}  // namespace http
