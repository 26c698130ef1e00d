#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "http/entity_headers.h"
#include "http/http_options.h"
#include "http/stream.h"

namespace http {

// Header fields a reply adds to the entity fields.
struct ResponseHeaders : EntityHeaders {
  std::u16string location;
  std::u16string server;
  std::u16string proxyConnection;
  std::u16string acceptPatch;
  std::u16string acceptRanges;
  std::u16string contentRangeUnits;
  std::int64_t contentRangeStart = -1;
  std::int64_t contentRangeEnd = -1;
  std::int64_t contentRangeInstanceLength = -1;
  HeaderList wwwAuthenticate;
  HeaderList proxyAuthenticate;

  // Empties every header-derived field and rawHeaders.
  void clearHeaders();
  // Fills every field from rawHeaders.
  void deriveFields();
};

// The reply record a client reuses for each of its requests.
class HttpResponse : public ResponseHeaders {
 public:
  [[nodiscard]] const std::u16string& responseText() const { return responseText_; }
  // Also resets the code and reads the version from the line.
  void setResponseText(std::u16string text);
  // The status code of responseText, -1 when it is not a number.
  [[nodiscard]] std::int32_t responseCode() const;
  [[nodiscard]] HttpVersion responseVersion() const { return responseVersion_; }

  Stream* contentStream = nullptr;  // where the body goes; nullptr throws it away
  EntityHeaders metaHttpEquiv;      // header lines found in META tags of an HTML body

 private:
  std::u16string responseText_;
  mutable std::int32_t responseCode_ = -1;
  mutable bool codeParsed_ = false;
  HttpVersion responseVersion_ = HttpVersion::v1_0;
};

// The status code of a status line: the first word after the first space, before any ".".
[[nodiscard]] std::int32_t parseStatusCode(std::u16string_view statusLine);

}  // namespace http
