#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "http/header_list.h"

namespace http {

// Fields that describe a message body; shared by requests and replies. Empty text means the
// header is absent; dates are seconds since the Unix epoch, 0 meaning absent.
struct EntityHeaders {
  std::u16string connection;
  std::u16string contentVersion;
  std::u16string contentDisposition;
  std::u16string contentEncoding;
  std::u16string contentLanguage;
  std::u16string contentType;  // without its charset parameter
  std::u16string charSet;
  std::u16string cacheControl;
  std::u16string eTag;
  std::u16string pragma;
  std::u16string transferEncoding;
  std::int64_t contentLength = -1;  // -1: absent or not a number
  std::int64_t date = 0;
  std::int64_t expires = 0;
  std::int64_t lastModified = 0;
  HeaderList customHeaders;
  HeaderList rawHeaders;

  [[nodiscard]] bool hasContentLength() const { return contentLength >= 0; }

  // Takes a Content-Type value apart: the charset parameter goes to charSet, the rest to
  // contentType; a text type without a charset gets the default of its kind.
  void setContentTypeHeader(std::u16string_view value);

  // Empties the entity fields (not customHeaders).
  void clearEntity();
  // Fills the entity fields from rawHeaders.
  void deriveEntityFields();
};

// The media type of a Content-Type value without its parameters, lower-cased and trimmed.
[[nodiscard]] std::u16string mediaTypeOf(std::u16string_view contentType);

}  // namespace http
