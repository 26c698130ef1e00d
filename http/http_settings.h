#pragma once

#include <chrono>
#include <cstdint>

#include "http/http_options.h"

namespace http {

// What a client asks of each request; the exchange reads these and nothing else of the client.
struct HttpSettings {
  HttpVersion protocolVersion = HttpVersion::v1_1;
  HttpOptions options{HttpOption::ForceEncodeParams};
  bool handleRedirects = false;
  std::int32_t redirectMaximum = 15;
  bool allowCookies = true;
  std::int32_t maxAuthRetries = 3;
  std::int32_t maxHeaderLines = 255;
  // The most bytes a reply body may have (0 or less: no limit).
  std::int64_t replyBodyLimit = 0;
  // The most one request may take as a whole (zero: no limit).
  std::chrono::milliseconds deadline{0};
};

// What one operation has used so far; each request cycle starts them at 0.
struct RequestCounts {
  std::int32_t redirects = 0;
  std::int32_t authRetries = 0;
  std::int32_t proxyAuthRetries = 0;
};

}  // namespace http
